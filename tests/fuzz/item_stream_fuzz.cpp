// libFuzzer target for the item-stream decoder: whatever bytes arrive through the pipe, the
// reader delivers only whole items, the same ones however the bytes are split into reads, and
// a stream cut short delivers a prefix of what the whole stream delivers, never a partial item.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/ItemStream.h"
#include "common/WideText.h"

namespace {

using varnolt::ByteSource;

class OneByteSource : public ByteSource {
 public:
  OneByteSource(const std::uint8_t* data, std::size_t size) : data(data), size(size) {}
  std::size_t ReadSome(void* buffer, std::size_t count) override {
    if (position == size || count == 0) return 0;
    std::memcpy(buffer, data + position++, 1);
    return 1;
  }

 private:
  const std::uint8_t* data;
  std::size_t size;
  std::size_t position = 0;
};

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::string> items = varnolt::DecodeItemStream(data, size);
  for (const std::string& item : items) Check(item.size() < varnolt::kMaxItemRecordLength && item.find('\0') == std::string::npos);

  OneByteSource slow(data, size);
  varnolt::ItemStreamReader reader(slow);
  std::vector<std::string> slowItems;
  std::string buffer;
  while (reader.Next(buffer)) slowItems.emplace_back(buffer);
  Check(slowItems == items);

  const std::size_t cut = size / 2;
  const std::vector<std::string> partial = varnolt::DecodeItemStream(data, cut);
  Check(partial.size() <= items.size());
  for (std::size_t i = 0; i < partial.size(); ++i) Check(partial[i] == items[i]);

  // Every item that is UTF-8 reads back, through UTF-16, as exactly its bytes: one name, one
  // spelling, so the program's checks compare what the system will be given.
  for (const std::string& item : items) {
    std::u16string units;
    if (varnolt::Utf16FromUtf8(item, units)) Check(varnolt::Utf8FromUtf16(units) == item);
  }

  const std::vector<std::uint8_t> reencoded = varnolt::EncodeItemStream(items);
  Check(varnolt::DecodeItemStream(reencoded.data(), reencoded.size()) == items);
  return 0;
}
