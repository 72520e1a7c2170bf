#include "ui/Layout.h"

#include <cctype>

#include "ui/Exception.h"

namespace varnolt::ui {
namespace {

class Parser {
 public:
  explicit Parser(std::string_view text) : text(text) {}

  TLayoutObject Document() {
    SkipSpace();
    TLayoutObject root = Object();
    SkipSpace();
    if (position != text.size()) Fail("texte en trop apr\xE8s la fin de l'objet");
    return root;
  }

 private:
  [[noreturn]] void Fail(const char* what) const {
    throw Exception::CreateFmt("Description de fen\xEAtre incorrecte, ligne %d : %s.", line, what);
  }

  bool AtEnd() const { return position >= text.size(); }
  char Peek() const { return AtEnd() ? '\0' : text[position]; }

  void SkipSpace() {
    while (!AtEnd() && std::isspace(static_cast<unsigned char>(text[position]))) {
      if (text[position] == '\n') ++line;
      ++position;
    }
  }

  static bool IsIdentifierStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
  }
  static bool IsIdentifierPart(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
  }

  std::string Identifier() {
    if (!IsIdentifierStart(Peek())) Fail("identificateur attendu");
    const std::size_t start = position;
    while (!AtEnd() && IsIdentifierPart(text[position])) ++position;
    return std::string(text.substr(start, position - start));
  }

  // A property name: identifiers joined by dots.
  std::string DottedName() {
    std::string name = Identifier();
    while (Peek() == '.') {
      ++position;
      name += '.';
      name += Identifier();
    }
    return name;
  }

  void Expect(char c, const char* what) {
    SkipSpace();
    if (Peek() != c) Fail(what);
    ++position;
  }

  TLayoutObject Object() {
    TLayoutObject object;
    object.line = line;
    if (Identifier() != "object") Fail("\xAB object \xBB attendu");
    SkipSpace();
    object.name = Identifier();
    Expect(':', "\xAB : \xBB attendu apr\xE8s le nom de l'objet");
    SkipSpace();
    object.className = Identifier();
    for (;;) {
      SkipSpace();
      if (AtEnd()) Fail("\xAB end \xBB manquant");
      const std::size_t mark = position;
      const int markLine = line;
      const std::string word = DottedName();
      if (word == "end") return object;
      if (word == "object") {
        position = mark;
        line = markLine;
        object.children.push_back(Object());
        continue;
      }
      TLayoutProperty property;
      property.name = word;
      property.line = markLine;
      Expect('=', "\xAB = \xBB attendu apr\xE8s le nom de la propri\xE9t\xE9");
      SkipSpace();
      property.value = Value();
      object.properties.push_back(std::move(property));
    }
  }

  TLayoutValue Value() {
    TLayoutValue value;
    const char c = Peek();
    if (c == '\'' || c == '#') {
      value.kind = TLayoutValue::Kind::kString;
      value.text = StringValue();
    } else if (c == '-' || std::isdigit(static_cast<unsigned char>(c))) {
      value.kind = TLayoutValue::Kind::kInteger;
      value.integer = Integer();
    } else if (c == '[') {
      value.kind = TLayoutValue::Kind::kSet;
      ++position;
      SkipSpace();
      if (Peek() != ']') {
        for (;;) {
          SkipSpace();
          value.items.push_back(Identifier());
          SkipSpace();
          if (Peek() == ']') break;
          Expect(',', "\xAB , \xBB ou \xAB ] \xBB attendu dans l'ensemble");
        }
      }
      ++position;
    } else if (IsIdentifierStart(c)) {
      value.kind = TLayoutValue::Kind::kIdentifier;
      value.text = Identifier();
    } else {
      Fail("valeur attendue");
    }
    return value;
  }

  std::int64_t Integer() {
    bool negative = false;
    if (Peek() == '-') {
      negative = true;
      ++position;
    }
    if (!std::isdigit(static_cast<unsigned char>(Peek()))) Fail("nombre attendu");
    std::int64_t number = 0;
    while (std::isdigit(static_cast<unsigned char>(Peek()))) {
      number = number * 10 + (text[position] - '0');
      if (number > 0xFFFFFFFFLL) Fail("nombre trop grand");
      ++position;
    }
    return negative ? -number : number;
  }

  // Quoted runs and #codes, glued together; a '+' at the end of a line continues the string
  // on the next one.
  std::string StringValue() {
    std::string bytes;
    for (;;) {
      const char c = Peek();
      if (c == '\'') {
        ++position;
        for (;;) {
          if (AtEnd() || Peek() == '\n') Fail("cha\xEEne non termin\xE9" "e");
          if (text[position] == '\'') {
            if (position + 1 < text.size() && text[position + 1] == '\'') {
              bytes += '\'';
              position += 2;
              continue;
            }
            ++position;
            break;
          }
          bytes += text[position++];
        }
      } else if (c == '#') {
        ++position;
        if (!std::isdigit(static_cast<unsigned char>(Peek()))) Fail("code de caract\xE8re attendu");
        const std::int64_t code = Integer();
        if (code > 255) Fail("code de caract\xE8re hors de 0..255");
        bytes += static_cast<char>(static_cast<unsigned char>(code));
      } else {
        const std::size_t mark = position;
        const int markLine = line;
        SkipSpace();
        if (Peek() == '+') {
          ++position;
          SkipSpace();
          if (Peek() == '\'' || Peek() == '#') continue;
          Fail("cha\xEEne attendue apr\xE8s \xAB + \xBB");
        }
        position = mark;
        line = markLine;
        return bytes;
      }
    }
  }

  std::string_view text;
  std::size_t position = 0;
  int line = 1;
};

}  // namespace

TLayoutObject ParseLayout(std::string_view text) { return Parser(text).Document(); }

}  // namespace varnolt::ui
