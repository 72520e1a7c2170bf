// Named streams of the fake's files. A stream is a node keyed by its file's key followed by the
// stream's name ("E:\\A.TXT:ZONE.IDENTIFIER:$DATA"), in no directory's list: it opens, grows,
// is written and read as a file by that path. Its file keeps the list of its streams' keys, so
// they follow the file when it is renamed and go with it when it is deleted.
#include <algorithm>
#include <stdexcept>

#include "platform/FakePaths.h"
#include "platform/FakePlatform.h"

namespace varnolt {

void FakePlatform::AddStream(const std::string& file, const std::string& name,
                             const std::vector<std::uint8_t>& content) {
  const std::string fileKey = Key(file);
  Node* owner = Find(fileKey);
  if (!owner || owner->directory) throw std::logic_error("fake: no file for a stream: " + file);
  const std::string suffix = fake::Upper(name);
  Node node;
  node.name = name;
  node.content = content;
  node.size = content.size();
  nodes[fileKey + suffix] = node;
  // Listed in the order of their names, as NTFS keeps a file's attributes.
  auto& suffixes = owner->streamSuffixes;
  suffixes.insert(std::upper_bound(suffixes.begin(), suffixes.end(), suffix), suffix);
  VolumeOf(fileKey)->used += content.size();
}

bool FakePlatform::NamedStreamsOf(const char* path, std::vector<StreamEntry>& streams) {
  streams.clear();
  const std::string key = Key(path, true);
  auto failure = streamListingFailures.find(key);
  if (failure != streamListingFailures.end()) return Fail(failure->second);
  const Node* node = Find(key);
  if (!node) return Fail(FailureKind::kGone);
  for (const std::string& suffix : node->streamSuffixes) {
    if (const Node* stream = Find(key + suffix)) streams.push_back(StreamEntry{stream->name, stream->size});
  }
  return true;
}

void FakePlatform::RemoveStreamsOf(const std::string& key) {
  Node* node = Find(key);
  if (!node) return;
  for (const std::string& suffix : node->streamSuffixes) {
    auto stream = nodes.find(key + suffix);
    if (stream == nodes.end()) continue;
    VolumeOf(key)->used -= stream->second.size;
    nodes.erase(stream);
  }
  node->streamSuffixes.clear();
}

}  // namespace varnolt
