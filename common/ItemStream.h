// The byte format in which the Explorer extension hands the selected items to the program:
// per item a 2-byte little-endian length (the text's bytes plus its zero byte), then the text
// and its zero byte; a length of 0 ends the list. Independent of the transport: encoding and
// decoding work on byte buffers and on any source of bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace varnolt {

// The longest record: what its 16-bit length field can say, the text's zero included. The
// texts are UTF-8 paths (or, from an extension of before, paths in the ANSI code page); a path
// of the system's 32,767 characters fits unless its characters take more than two bytes each,
// and a longer text is refused whole by the writer, never cut.
inline constexpr std::size_t kMaxItemRecordLength = 0xFFFF;

// Appends one item's record (length field, text, zero byte). False, and nothing appended, when
// the text does not fit a record.
bool AppendItemRecord(std::vector<std::uint8_t>& stream, const char* text);
// Appends the terminator: two zero bytes.
void AppendTerminator(std::vector<std::uint8_t>& stream);
// The whole stream for a selection; an empty selection gives the terminator alone. A text too
// long for a record is left out (tests; the extension refuses such a selection beforehand).
std::vector<std::uint8_t> EncodeItemStream(const std::vector<std::string>& items);

// Where the decoder reads from (the pipe, or a buffer in tests).
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads at most `count` bytes; returns how many arrived, 0 when nothing more will.
  virtual std::size_t ReadSome(void* buffer, std::size_t count) = 0;
};

// Reads records one at a time. A read may deliver fewer bytes than asked: it is repeated until
// the record is complete. A record that cannot be completed ends the list and is dropped, so a
// path that did not arrive whole is never delivered, and no byte of an earlier item ever fills
// out a later one. A record whose only zero byte is not its last one is no single path (a zero
// inside, or none at all): it ends the list and is dropped too. A record is at most kMaxItemRecordLength bytes, so the reader
// never holds more than that.
class ItemStreamReader {
 public:
  explicit ItemStreamReader(ByteSource& source) : source(&source) {}

  // The next item's text (without its zero byte), or false at the end of the list.
  bool Next(std::string& item);

 private:
  bool ReadFully(void* buffer, std::size_t count);
  ByteSource* source;
  bool ended = false;
};

// Decodes a whole buffer (tests, fuzzing): the items a reader would deliver, in order.
std::vector<std::string> DecodeItemStream(const std::uint8_t* data, std::size_t size);

}  // namespace varnolt
