#include "common/ItemStream.h"

#include <algorithm>
#include <cstring>

namespace varnolt {

bool AppendItemRecord(std::vector<std::uint8_t>& stream, const char* text) {
  const std::size_t bytes = std::strlen(text) + 1;
  // A cut path names another item, and a wrapped length would misframe the rest.
  if (bytes > kMaxItemRecordLength) return false;
  stream.push_back(static_cast<std::uint8_t>(bytes & 0xFF));
  stream.push_back(static_cast<std::uint8_t>(bytes >> 8));
  stream.insert(stream.end(), text, text + bytes);
  return true;
}

void AppendTerminator(std::vector<std::uint8_t>& stream) {
  stream.push_back(0);
  stream.push_back(0);
}

std::vector<std::uint8_t> EncodeItemStream(const std::vector<std::string>& items) {
  std::vector<std::uint8_t> stream;
  for (const std::string& item : items) {
    if (item.find('\0') == std::string::npos) AppendItemRecord(stream, item.c_str());
  }
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

bool ItemStreamReader::Next(std::string& item) {
  item.clear();
  if (ended) return false;
  std::uint8_t lengthBytes[2] = {0, 0};
  if (!ReadFully(lengthBytes, 2)) return ended = true, false;
  const std::size_t length = lengthBytes[0] | lengthBytes[1] << 8;
  if (length == 0) return ended = true, false;

  item.resize(length);  // at most kMaxItemRecordLength: the field can say no more
  // A zero before the record's last byte means the record is not one path: the text up to it
  // (a parent directory, say) was never sent as an item. The list ends there, as for a record
  // that cannot be read whole.
  const bool whole = ReadFully(item.data(), length);
  const std::size_t zero = item.find('\0');
  // A record the writer cannot have made, without its zero, ends the list too.
  if (!whole || zero != length - 1) {
    item.clear();
    return ended = true, false;
  }
  item.pop_back();
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
  std::string item;
  while (reader.Next(item)) items.push_back(item);
  return items;
}

}  // namespace varnolt
