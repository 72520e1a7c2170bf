// The fake's path rules, shared by its source files: FakePlatform.cpp (the platform calls),
// FakePaths.cpp (the path model and case rules), FakeNodes.cpp (the node store and volumes),
// FakeFaults.cpp (fault injection), FakeUpcase.cpp (the upper-case table).
#pragma once

#include <string>

namespace varnolt::fake {

// The case-insensitive form a name is keyed by: each UTF-16 unit upper-cased (UpcaseUnit).
std::string Upper(std::string text);
// The capital of one UTF-16 unit, itself when it has none of one unit (FakeUpcase.cpp).
char16_t UpcaseUnit(char16_t unit);
bool IsSeparator(char c);
bool HasDrive(const std::string& path);

}  // namespace varnolt::fake
