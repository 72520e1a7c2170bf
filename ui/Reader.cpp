#include "ui/Reader.h"

#include "ui/Exception.h"

namespace varnolt::ui {

void TClassRegistry::Register(const std::string& className, TComponentFactory factory) {
  factories[className] = factory;
}

TComponent* TClassRegistry::Create(const std::string& className, TComponent* owner) const {
  auto found = factories.find(className);
  if (found == factories.end()) {
    throw Exception::CreateFmt("Classe %s introuvable.", className.c_str());
  }
  return found->second(owner);
}

TClassRegistry& ComponentClasses() {
  static TClassRegistry registry;
  return registry;
}

namespace {

const char* KindName(TLayoutValue::Kind kind) {
  switch (kind) {
    case TLayoutValue::Kind::kInteger: return "un nombre";
    case TLayoutValue::Kind::kIdentifier: return "un identificateur";
    case TLayoutValue::Kind::kString: return "une cha\xEEne";
    case TLayoutValue::Kind::kSet: return "un ensemble";
  }
  return "?";
}

struct NamedColor {
  const char* name;
  TColor color;
};

constexpr NamedColor kColors[] = {
    {"clBlack", clBlack},     {"clMaroon", clMaroon},         {"clGreen", clGreen},
    {"clOlive", clOlive},     {"clNavy", clNavy},             {"clPurple", clPurple},
    {"clTeal", clTeal},       {"clGray", clGray},             {"clSilver", clSilver},
    {"clRed", clRed},         {"clLime", clLime},             {"clYellow", clYellow},
    {"clBlue", clBlue},       {"clFuchsia", clFuchsia},       {"clAqua", clAqua},
    {"clWhite", clWhite},     {"clWindow", clWindow},         {"clWindowFrame", clWindowFrame},
    {"clWindowText", clWindowText}, {"clBtnFace", clBtnFace}, {"clBtnShadow", clBtnShadow},
    {"clGrayText", clGrayText}, {"clBtnText", clBtnText},     {"clBtnHighlight", clBtnHighlight},
};

}  // namespace

void TReader::Fail(const TLayoutProperty& property, const char* what) const {
  throw Exception::CreateFmt("Description de fen\xEAtre incorrecte, ligne %d : %s %s.",
                             property.line, property.name.c_str(), what);
}

int TReader::Integer(const TLayoutProperty& property) const {
  if (property.value.kind != TLayoutValue::Kind::kInteger) Fail(property, "attend un nombre");
  const std::int64_t value = property.value.integer;
  if (value < INT32_MIN || value > INT32_MAX) Fail(property, "est hors des bornes");
  return static_cast<int>(value);
}

bool TReader::Boolean(const TLayoutProperty& property) const {
  return Enumeration(property, {"False", "True"}) == 1;
}

const std::string& TReader::String(const TLayoutProperty& property) const {
  if (property.value.kind != TLayoutValue::Kind::kString) Fail(property, "attend une cha\xEEne");
  return property.value.text;
}

TColor TReader::Color(const TLayoutProperty& property) const {
  if (property.value.kind == TLayoutValue::Kind::kInteger) {
    return static_cast<TColor>(static_cast<std::uint32_t>(property.value.integer));
  }
  if (property.value.kind == TLayoutValue::Kind::kIdentifier) {
    for (const NamedColor& named : kColors) {
      if (property.value.text == named.name) return named.color;
    }
  }
  Fail(property, "attend une couleur");
}

int TReader::Charset(const TLayoutProperty& property) const {
  if (property.value.kind == TLayoutValue::Kind::kInteger) return Integer(property);
  const int index = Enumeration(property, {"ANSI_CHARSET", "DEFAULT_CHARSET"});
  return index == 0 ? 0 : DEFAULT_CHARSET_VALUE;
}

int TReader::Enumeration(const TLayoutProperty& property,
                         std::initializer_list<const char*> names) const {
  if (property.value.kind == TLayoutValue::Kind::kIdentifier) {
    int index = 0;
    for (const char* name : names) {
      if (property.value.text == name) return index;
      ++index;
    }
    Fail(property, "a une valeur inconnue");
  }
  throw Exception::CreateFmt("Description de fen\xEAtre incorrecte, ligne %d : %s attend un "
                             "identificateur, pas %s.",
                             property.line, property.name.c_str(), KindName(property.value.kind));
}

unsigned TReader::SetBits(const TLayoutProperty& property,
                          std::initializer_list<const char*> names) const {
  if (property.value.kind != TLayoutValue::Kind::kSet) Fail(property, "attend un ensemble");
  unsigned bits = 0;
  for (const std::string& item : property.value.items) {
    unsigned bit = 1;
    bool known = false;
    for (const char* name : names) {
      if (item == name) {
        bits |= bit;
        known = true;
      }
      bit <<= 1;
    }
    if (!known) Fail(property, "contient un membre inconnu");
  }
  return bits;
}

TNotifyEvent TReader::NotifyEvent(const TLayoutProperty& property) const {
  if (property.value.kind != TLayoutValue::Kind::kIdentifier) Fail(property, "attend un nom de m\xE9thode");
  auto found = events.notify.find(property.value.text);
  if (found == events.notify.end()) Fail(property, "nomme une m\xE9thode inconnue");
  return found->second;
}

TCloseQueryEvent TReader::CloseQueryEvent(const TLayoutProperty& property) const {
  if (property.value.kind != TLayoutValue::Kind::kIdentifier) Fail(property, "attend un nom de m\xE9thode");
  auto found = events.closeQuery.find(property.value.text);
  if (found == events.closeQuery.end()) Fail(property, "nomme une m\xE9thode inconnue");
  return found->second;
}

void TReader::ReadProperties(TComponent& component, const TLayoutObject& description) {
  for (const TLayoutProperty& property : description.properties) {
    if (!component.SetProperty(property, *this)) Fail(property, "n'est pas une propri\xE9t\xE9 connue");
  }
}

void TReader::ReadChildren(TComponent& container, const TLayoutObject& description,
                           std::vector<TComponent*>& made) {
  for (const TLayoutObject& child : description.children) {
    if (root.FindComponent(child.name) != nullptr) {
      throw Exception::CreateFmt("Description de fen\xEAtre incorrecte, ligne %d : le nom %s est "
                                 "d\xE9j\xE0 pris.",
                                 child.line, child.name.c_str());
    }
    TComponent* component = classes.Create(child.className, &root);
    component->SetName(child.name);
    made.push_back(component);
    if (auto* control = dynamic_cast<TControl*>(component)) {
      if (auto* parent = dynamic_cast<TControlParent*>(&container)) control->SetParent(parent);
    }
    ReadProperties(*component, child);
    ReadChildren(*component, child, made);
  }
}

void TReader::ReadRoot(const TLayoutObject& description) {
  root.SetName(description.name);
  ReadProperties(root, description);
  std::vector<TComponent*> made;
  ReadChildren(root, description, made);
  for (TComponent* component : made) component->Loaded();
  root.Loaded();
}

}  // namespace varnolt::ui
