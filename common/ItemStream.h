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

// The reader's buffer: an item's length field may be 1 to 512, and its text keeps at most 511.
inline constexpr std::size_t kItemBufferSize = 512;

// Appends one item's record (length field, text, zero byte).
void AppendItemRecord(std::vector<std::uint8_t>& stream, const char* text);
// Appends the terminator: two zero bytes.
void AppendTerminator(std::vector<std::uint8_t>& stream);
// The whole stream for a selection; an empty selection gives the terminator alone.
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
// out a later one. A record with a zero byte before its last byte is no single path: it ends
// the list and is dropped too. A length above 512 ends the list like the terminator; a length
// of exactly 512 delivers its first 511 bytes when its last byte is the zero, and ends the list
// when it holds no zero (its text would be cut).
class ItemStreamReader {
 public:
  explicit ItemStreamReader(ByteSource& source) : source(&source) {}

  // The next item's text (up to its first zero byte), or false at the end of the list.
  bool Next(char (&item)[kItemBufferSize]);

 private:
  bool ReadFully(void* buffer, std::size_t count);
  ByteSource* source;
  bool ended = false;
};

// Decodes a whole buffer (tests, fuzzing): the items a reader would deliver, in order.
std::vector<std::string> DecodeItemStream(const std::uint8_t* data, std::size_t size);

}  // namespace varnolt
