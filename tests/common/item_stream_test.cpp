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
  char item[kItemBufferSize];
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
  // 512 is accepted with its zero as the last byte: 511 bytes of text.
  const std::string body512 = std::string(511, 'x') + '\0';
  EXPECT_EQ(Decode(Concat({Record(512, body512), EncodeItemStream({"C:\\next"})})),
            (std::vector<std::string>{std::string(511, 'x'), "C:\\next"}));
  // 512 without any zero would lose its last byte: a cut path, which ends the list like a
  // record cut short; neither it nor what follows is delivered.
  Bytes first = EncodeItemStream({"C:\\first"});
  first.resize(first.size() - 2);
  EXPECT_EQ(Decode(Concat({first, Record(512, std::string(512, 'x')), EncodeItemStream({"C:\\next"})})),
            (std::vector<std::string>{"C:\\first"}));
  // 513 ends the list: what follows is never read.
  Bytes stream = EncodeItemStream({"C:\\first"});
  stream.resize(stream.size() - 2);  // no terminator: the 513 record follows
  EXPECT_EQ(Decode(Concat({stream, Record(513, std::string(513, 'y')), EncodeItemStream({"C:\\after"})})),
            (std::vector<std::string>{"C:\\first"}));
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
  // A long first item, then a shorter record whose text is not terminated inside its length:
  // the bytes of the first item that lie beyond it must not show through.
  const std::string first = "C:\\a\\very\\long\\first\\item";
  const Bytes stream = Concat({Record(static_cast<std::uint16_t>(first.size() + 1), first + '\0'),
                               Record(4, "C:\\a"), Bytes{0, 0}});
  EXPECT_EQ(Decode(stream), (std::vector<std::string>{"C:\\a\\very\\long\\first\\item", "C:\\a"}));
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
