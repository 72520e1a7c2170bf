#include "common/ItemStream.h"

#include <algorithm>
#include <cstring>

namespace varnolt {

void AppendItemRecord(std::vector<std::uint8_t>& stream, const char* text) {
  const std::size_t bytes = std::strlen(text) + 1;
  // The length field is 16 bits wide; the writer's texts never come near that (a path fits
  // in 260 bytes), and a longer text is cut rather than sent with a wrapped length.
  const auto length = static_cast<std::uint16_t>(std::min<std::size_t>(bytes, 0xFFFF));
  stream.push_back(static_cast<std::uint8_t>(length & 0xFF));
  stream.push_back(static_cast<std::uint8_t>(length >> 8));
  stream.insert(stream.end(), text, text + length - 1);
  stream.push_back(0);
}

void AppendTerminator(std::vector<std::uint8_t>& stream) {
  stream.push_back(0);
  stream.push_back(0);
}

std::vector<std::uint8_t> EncodeItemStream(const std::vector<std::string>& items) {
  std::vector<std::uint8_t> stream;
  for (const std::string& item : items) AppendItemRecord(stream, item.c_str());
  AppendTerminator(stream);
  return stream;
}

bool ItemStreamReader::ReadFully(void* buffer, std::size_t count) {
  auto* bytes = static_cast<std::uint8_t*>(buffer);
  std::size_t got = 0;
  while (got < count) {
    const std::size_t arrived = source->ReadSome(bytes + got, count - got);
    if (arrived == 0) return false;
    got += arrived;
  }
  return true;
}

bool ItemStreamReader::Next(char (&item)[kItemBufferSize]) {
  if (ended) return false;
  std::uint8_t lengthBytes[2] = {0, 0};
  if (!ReadFully(lengthBytes, 2)) return ended = true, false;
  const std::size_t length = lengthBytes[0] | lengthBytes[1] << 8;
  if (length == 0 || length > kItemBufferSize) return ended = true, false;

  std::memset(item, 0, kItemBufferSize);  // nothing of the previous item can show through
  // A zero before the record's last byte means the record is not one path: the text up to it
  // (a parent directory, say) was never sent as an item. The list ends there, as for a record
  // that cannot be read whole.
  const bool whole = ReadFully(item, length);
  const void* const zero = std::memchr(item, 0, length);
  // A record that fills the whole buffer without a zero lost its last byte to the forced one:
  // what is left is a cut path, ended like a record cut short.
  const bool cut = zero == nullptr && length == kItemBufferSize;
  if (!whole || cut || (zero != nullptr && zero != item + length - 1)) {
    std::memset(item, 0, kItemBufferSize);
    return ended = true, false;
  }
  item[kItemBufferSize - 1] = '\0';
  return true;
}

namespace {

class BufferSource : public ByteSource {
 public:
  BufferSource(const std::uint8_t* data, std::size_t size) : data(data), left(size) {}
  std::size_t ReadSome(void* buffer, std::size_t count) override {
    const std::size_t n = std::min(count, left);
    if (n) std::memcpy(buffer, data, n);
    data += n;
    left -= n;
    return n;
  }

 private:
  const std::uint8_t* data;
  std::size_t left;
};

}  // namespace

std::vector<std::string> DecodeItemStream(const std::uint8_t* data, std::size_t size) {
  BufferSource source(data, size);
  ItemStreamReader reader(source);
  std::vector<std::string> items;
  char item[kItemBufferSize];
  while (reader.Next(item)) items.emplace_back(item);
  return items;
}

}  // namespace varnolt
