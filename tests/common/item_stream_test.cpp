#include "common/ItemStream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace varnolt {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Delivers a buffer in pieces of the given sizes (then in whatever is left), like a pipe whose
// reads come back short.
class ChoppedSource : public ByteSource {
 public:
  ChoppedSource(Bytes data, std::vector<std::size_t> pieces)
      : data(std::move(data)), pieces(std::move(pieces)) {}
  std::size_t ReadSome(void* buffer, std::size_t count) override {
    std::size_t n = std::min(count, data.size() - position);
    if (next < pieces.size()) n = std::min(n, pieces[next++]);
    std::memcpy(buffer, data.data() + position, n);
    position += n;
    return n;
  }

 private:
  Bytes data;
  std::vector<std::size_t> pieces;
  std::size_t position = 0;
  std::size_t next = 0;
};

std::vector<std::string> ReadAll(ByteSource& source) {
  ItemStreamReader reader(source);
  std::vector<std::string> items;
  std::string item;
  while (reader.Next(item)) items.emplace_back(item);
  return items;
}

std::vector<std::string> Decode(const Bytes& stream) { return DecodeItemStream(stream.data(), stream.size()); }

Bytes Record(std::uint16_t length, const std::string& body) {
  Bytes bytes(2 + body.size());
  bytes[0] = static_cast<std::uint8_t>(length & 0xFF);
  bytes[1] = static_cast<std::uint8_t>(length >> 8);
  std::copy(body.begin(), body.end(), bytes.begin() + 2);
  return bytes;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

TEST(ItemStream, WorkedExampleBytes) {
  const Bytes expected = {0x09, 0x00, 0x43, 0x3A, 0x5C, 0x61, 0x2E, 0x74, 0x78, 0x74, 0x00,
                          0x02, 0x00, 0x44, 0x00, 0x00, 0x00};
  EXPECT_EQ(EncodeItemStream({"C:\\a.txt", "D"}), expected);
  EXPECT_EQ(Decode(expected), (std::vector<std::string>{"C:\\a.txt", "D"}));
}

TEST(ItemStream, EmptySelectionIsTheTerminatorAlone) {
  EXPECT_EQ(EncodeItemStream({}), (Bytes{0, 0}));
  EXPECT_TRUE(Decode({0, 0}).empty());
}

TEST(ItemStream, LongestPathAndDuplicatesArriveWhole) {
  const std::string path = "C:\\" + std::string(256, 'p');  // 259 characters
  const Bytes stream = EncodeItemStream({path, path});
  EXPECT_EQ(stream[0] | stream[1] << 8, 260);
  EXPECT_EQ(Decode(stream), (std::vector<std::string>{path, path}));
}

TEST(ItemStream, LengthLimitsOfTheReader) {
  // The longest record the field can say, 65,535 bytes with its zero last, arrives whole.
  const std::string longest = "C:\\" + std::string(0xFFFF - 4, 'x');
  Bytes stream = EncodeItemStream({longest, "C:\\next"});
  ASSERT_EQ(stream[0] | stream[1] << 8, 0xFFFF);
  EXPECT_EQ(Decode(stream), (std::vector<std::string>{longest, "C:\\next"}));
  // 512 and 513, the old limits, are plain records now.
  const std::string body512 = std::string(511, 'x') + '\0';
  EXPECT_EQ(Decode(Concat({Record(512, body512), Record(513, std::string(512, 'y') + '\0'), Bytes{0, 0}})),
            (std::vector<std::string>{std::string(511, 'x'), std::string(512, 'y')}));
  // A record without its zero cannot come from the writer: it ends the list, and neither it
  // nor what follows is delivered.
  Bytes first = EncodeItemStream({"C:\\first"});
  first.resize(first.size() - 2);
  EXPECT_EQ(Decode(Concat({first, Record(0xFFFF, std::string(0xFFFF, 'x')), EncodeItemStream({"C:\\next"})})),
            (std::vector<std::string>{"C:\\first"}));
}

TEST(ItemStream, TextTooLongForARecordIsRefusedWholeNeverCut) {
  Bytes stream;
  const std::string tooLong = "C:\\" + std::string(0xFFFF - 3, 'z');  // 65,535 bytes and its zero
  EXPECT_FALSE(AppendItemRecord(stream, tooLong.c_str()));
  EXPECT_TRUE(stream.empty());
  // A cut would name "C:\\zzz...": whatever the beginning names must never be sent.
  EXPECT_EQ(EncodeItemStream({"C:\\a", tooLong, "C:\\b"}), EncodeItemStream({"C:\\a", "C:\\b"}));
}

TEST(ItemStream, Utf8PathsArriveByteForByte) {
  const std::vector<std::string> items = {"C:\\dossier\\\xC5\x81\xC3\xB3" "d\xC5\xBA.txt",            // Łódź
                                          "C:\\\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E",              // 日本語
                                          "C:\\vacances \xF0\x9F\x98\x80.jpg",                     // 😀
                                          "C:\\\xE8\xA1\xA8\\x"};  // 表: its second byte is no backslash in UTF-8
  const Bytes stream = EncodeItemStream(items);
  EXPECT_EQ(Decode(stream), items);
  ChoppedSource source(stream, std::vector<std::size_t>(200, 1));
  EXPECT_EQ(ReadAll(source), items);
}

TEST(ItemStream, ShortReadsAreCompleted) {
  const Bytes stream = EncodeItemStream({"C:\\dossier\\fichier.txt", "E"});
  for (std::size_t piece : {1u, 2u, 3u, 7u}) {
    SCOPED_TRACE(piece);
    ChoppedSource source(stream, std::vector<std::size_t>(64, piece));
    EXPECT_EQ(ReadAll(source), (std::vector<std::string>{"C:\\dossier\\fichier.txt", "E"}));
  }
}

TEST(ItemStream, TruncatedStreamNeverYieldsAPartialPath) {
  const Bytes stream = EncodeItemStream({"C:\\keep\\me.txt", "C:\\Users\\victim\\Documents"});
  const std::size_t firstRecord = 2 + std::strlen("C:\\keep\\me.txt") + 1;
  // Cut at every point: the first item arrives only once whole, the second never partially.
  for (std::size_t cut = 0; cut < stream.size() - 2; ++cut) {
    SCOPED_TRACE(cut);
    const auto items = Decode(Bytes(stream.begin(), stream.begin() + cut));
    if (cut < firstRecord) {
      EXPECT_TRUE(items.empty());
    } else {
      // The second record is complete only with its terminator still to come.
      EXPECT_EQ(items, std::vector<std::string>{"C:\\keep\\me.txt"});
    }
  }
  // The text cut right after its last character but before its zero byte is still dropped.
  Bytes noZero(stream.begin(), stream.end() - 3);
  EXPECT_EQ(Decode(noZero), (std::vector<std::string>{"C:\\keep\\me.txt"}));
}

TEST(ItemStream, EarlierItemNeverCompletesALaterOne) {
  // A long first item, then a shorter record: the bytes of the first item that lie beyond it
  // must not show through. A shorter record whose text is not terminated inside its length is
  // no record the writer makes: it ends the list instead of borrowing a zero from anywhere.
  const std::string first = "C:\\a\\very\\long\\first\\item";
  const Bytes firstRecord = Record(static_cast<std::uint16_t>(first.size() + 1), first + '\0');
  EXPECT_EQ(Decode(Concat({firstRecord, Record(5, std::string("C:\\a") + '\0'), Bytes{0, 0}})),
            (std::vector<std::string>{"C:\\a\\very\\long\\first\\item", "C:\\a"}));
  EXPECT_EQ(Decode(Concat({firstRecord, Record(4, "C:\\a"), EncodeItemStream({"C:\\after"})})),
            (std::vector<std::string>{"C:\\a\\very\\long\\first\\item"}));
}

TEST(ItemStream, RecordWithAnInnerZeroIsNoPathAndEndsTheList) {
  // Delivering the text up to the zero would hand over the parent of what was sent.
  const std::string sent = std::string("C:\\Users\\Bob") + '\0' + "\\Documents\\rapport.docx";
  Bytes stream = EncodeItemStream({"C:\\first"});
  stream.resize(stream.size() - 2);
  const Bytes rest = Concat({Record(static_cast<std::uint16_t>(sent.size() + 1), sent + '\0'),
                             EncodeItemStream({"C:\\after"})});
  EXPECT_EQ(Decode(Concat({stream, rest})), (std::vector<std::string>{"C:\\first"}));
  // A zero as the very first byte is no path either.
  EXPECT_TRUE(Decode(Concat({Record(3, std::string("\0ab", 3)), EncodeItemStream({"C:\\x"})})).empty());
}

TEST(ItemStream, SingleLengthByteEndsTheList) {
  Bytes stream = EncodeItemStream({"D"});
  stream.resize(stream.size() - 2);
  stream.push_back(0x05);  // half a length field, then nothing
  EXPECT_EQ(Decode(stream), (std::vector<std::string>{"D"}));
}

}  // namespace
}  // namespace varnolt
