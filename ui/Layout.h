// Stored window layouts: the text form of a window's description (objects with their class,
// properties and nested objects), parsed into a tree. What the tree means is up to TReader.
//
//   object frmMain: TfrmMain
//     Caption = 'Broyage...'         strings in quotes; '' is a quote, #233 a byte by its code
//     ClientWidth = 377              integers
//     BorderStyle = bsSingle         identifiers (enumerations, colours, True/False, handlers)
//     BorderIcons = [biSystemMenu]   sets
//     object pnlBottom: TPanel
//       ...
//     end
//   end
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace varnolt::ui {

struct TLayoutValue {
  enum class Kind { kInteger, kIdentifier, kString, kSet };
  Kind kind = Kind::kInteger;
  std::int64_t integer = 0;
  std::string text;                // identifier or string bytes
  std::vector<std::string> items;  // set members
};

struct TLayoutProperty {
  std::string name;  // may be dotted: Font.Name
  TLayoutValue value;
  int line = 0;
};

struct TLayoutObject {
  std::string name;
  std::string className;
  std::vector<TLayoutProperty> properties;
  std::vector<TLayoutObject> children;
  int line = 0;
};

// Parses one top-level object. A malformed text raises Exception naming the line.
TLayoutObject ParseLayout(std::string_view text);

}  // namespace varnolt::ui
