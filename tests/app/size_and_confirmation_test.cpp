#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/Confirmation.h"
#include "app/SizeText.h"

namespace varnolt {
namespace {

std::string Size(std::uint64_t bytes) {
  char buffer[512];
  SizeText(bytes, buffer, sizeof buffer);
  return buffer;
}

TEST(SizeText, UnitBoundariesRoundDown) {
  EXPECT_EQ(Size(0), "0 octets");
  EXPECT_EQ(Size(1023), "1023 octets");
  EXPECT_EQ(Size(1024), "1 Ko");
  EXPECT_EQ(Size(2000), "1 Ko");
  EXPECT_EQ(Size(1048575), "1023 Ko");
  EXPECT_EQ(Size(1048576), "1 Mo");
  EXPECT_EQ(Size(5368709120ull), "5120 Mo");            // no unit above Mo
  EXPECT_EQ(Size(1ull << 62), "4398046511104 Mo");      // beyond 32 bits, still whole
}

TEST(SizeText, CutToTheBufferWithItsZero) {
  char buffer[4];
  std::memset(buffer, 'x', sizeof buffer);
  SizeText(1023, buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "102");
}

std::string Question(int directories, int files, int drives, const char* size) {
  char buffer[512];
  ConfirmationText(directories, files, drives, size, buffer, sizeof buffer);
  return buffer;
}

TEST(Confirmation, TextIsChosenByTheFirstNonzeroCount) {
  EXPECT_EQ(Question(0, 1, 0, "0 octets"),
            "Vous \xEAtes sur le point de supprimer 1 fichier(s), soit 0 octets d'informations.\n\n"
            "Voulez-vous continuer?");
  // A directory with two files of 1000 bytes and an empty subdirectory.
  EXPECT_EQ(Question(2, 2, 0, "1 Ko"),
            "Vous \xEAtes sur le point de supprimer 2 r\xE9pertoire(s) et 2 fichier(s),\n"
            "soit 1 Ko d'informations.\n\nVoulez-vous continuer?");
  EXPECT_EQ(Question(3, 0, 0, "0 octets"),
            "Vous \xEAtes sur le point de supprimer 3 r\xE9pertoire(s) et 0 fichier(s),\n"
            "soit 0 octets d'informations.\n\nVoulez-vous continuer?");
  EXPECT_EQ(Question(0, 0, 1, "2048 Mo"),
            "Vous \xEAtes sur le point de nettoyer l'espace libre de 1 disque(s), soit 2048 Mo "
            "d'espace libre.\nCette op\xE9ration est sans danger pour vos donn\xE9" "es, aucun fichier "
            "ne sera supprim\xE9.\n\nVoulez-vous continuer?");
  // Files and drives: only the files are named. Directories and drives: the directory text.
  EXPECT_EQ(Question(0, 2, 1, "5 Mo").rfind("Vous \xEAtes sur le point de supprimer 2 fichier(s)", 0), 0u);
  EXPECT_EQ(Question(1, 0, 2, "5 Mo").rfind("Vous \xEAtes sur le point de supprimer 1 r\xE9pertoire(s)", 0), 0u);
}

TEST(Confirmation, OverlongSizeTextIsCutAt511Bytes) {
  const std::string huge(600, '9');
  char buffer[512];
  std::memset(buffer, 'x', sizeof buffer);
  ConfirmationText(0, 1, 0, huge.c_str(), buffer, sizeof buffer);
  EXPECT_EQ(std::strlen(buffer), 511u);
}

}  // namespace
}  // namespace varnolt
