#include "ui/Controls.h"

#include <algorithm>

#include "ui/Reader.h"

namespace varnolt::ui {

int ScaleLength(int value, int multiplier, int divisor) {
  const long long product = static_cast<long long>(value) * multiplier;
  const long long half = divisor / 2;
  return static_cast<int>(product >= 0 ? (product + half) / divisor : -((-product + half) / divisor));
}

TComponent::TComponent(TComponent* owner) : owner(owner) {
  if (owner != nullptr) owner->components.push_back(this);
}

TComponent::~TComponent() {
  while (!components.empty()) {
    TComponent* last = components.back();
    components.pop_back();
    last->owner = nullptr;
    delete last;
  }
  if (owner != nullptr) {
    auto& list = owner->components;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
}

TComponent* TComponent::FindComponent(std::string_view componentName) const {
  for (TComponent* component : components) {
    if (component->name == componentName) return component;
  }
  return nullptr;
}

bool TComponent::SetProperty(const TLayoutProperty&, TReader&) { return false; }

void TControlParent::ReleaseControls() {
  for (TControl* control : controls) control->parent = nullptr;
  controls.clear();
}

TControl::TControl(TComponent* owner) : TComponent(owner) {}

TControl::~TControl() {
  if (parent != nullptr) {
    auto& list = parent->controls;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    parent->InvalidateControl(*this);
    parent = nullptr;
  }
}

void TControl::SetParent(TControlParent* newParent) {
  if (newParent == parent) return;
  if (parent != nullptr) {
    Invalidate();
    auto& list = parent->controls;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    parent->ControlChanged(*this);
  }
  parent = newParent;
  if (parent != nullptr) {
    parent->controls.push_back(this);
    parent->ControlChanged(*this);
    Invalidate();
  }
}

void TControl::SetBounds(int newLeft, int newTop, int newWidth, int newHeight) {
  if (newLeft == left && newTop == top && newWidth == width && newHeight == height) return;
  Invalidate();
  left = newLeft;
  top = newTop;
  width = std::max(newWidth, 0);
  height = std::max(newHeight, 0);
  if (parent != nullptr) parent->ControlChanged(*this);
  Invalidate();
}

void TControl::ScaleBy(int multiplier, int divisor) {
  const int newLeft = ScaleLength(left, multiplier, divisor);
  const int newTop = ScaleLength(top, multiplier, divisor);
  const int newRight = ScaleLength(left + width, multiplier, divisor);
  const int newBottom = ScaleLength(top + height, multiplier, divisor);
  SetBounds(newLeft, newTop, newRight - newLeft, newBottom - newTop);
  if (!parentFont) {
    font.Height = ScaleLength(font.Height, multiplier, divisor);
    FontChanged();
  }
}

void TControl::SetAlign(TAlign value) {
  if (value == align) return;
  align = value;
  if (parent != nullptr) parent->ControlChanged(*this);
}

void TControl::SetVisible(bool value) {
  if (value == visible) return;
  if (!value) Invalidate();
  visible = value;
  if (parent != nullptr) parent->ControlChanged(*this);
  if (value) Invalidate();
}

void TControl::SetEnabled(bool value) {
  if (value == enabled) return;
  enabled = value;
  Invalidate();
}

void TControl::SetCaption(const std::string& value) {
  if (value == caption) return;
  caption = value;
  TextChanged();
}

TColor TControl::Color() const {
  if (parentColor && parent != nullptr) return parent->AsControl().Color();
  return color;
}

void TControl::SetColor(TColor value) {
  color = value;
  parentColor = false;
  ColorChanged();
}

const TFont& TControl::Font() const {
  if (parentFont && parent != nullptr) return parent->AsControl().Font();
  return font;
}

void TControl::SetFont(const TFont& value) {
  font = value;
  parentFont = false;
  FontChanged();
}

void TControl::Invalidate() {
  if (parent != nullptr && visible) parent->InvalidateControl(*this);
}

void TControl::Repaint() {
  if (parent != nullptr && visible) parent->RepaintControl(*this);
}

bool TControl::SetProperty(const TLayoutProperty& property, TReader& reader) {
  const std::string& name = property.name;
  if (name == "Left") {
    SetBounds(reader.Integer(property), top, width, height);
  } else if (name == "Top") {
    SetBounds(left, reader.Integer(property), width, height);
  } else if (name == "Width") {
    SetBounds(left, top, reader.Integer(property), height);
  } else if (name == "Height") {
    SetBounds(left, top, width, reader.Integer(property));
  } else if (name == "Align") {
    SetAlign(static_cast<TAlign>(
        reader.Enumeration(property, {"alNone", "alTop", "alBottom", "alClient"})));
  } else if (name == "Visible") {
    SetVisible(reader.Boolean(property));
  } else if (name == "Enabled") {
    SetEnabled(reader.Boolean(property));
  } else if (name == "Caption") {
    SetCaption(reader.String(property));
  } else if (name == "Color") {
    SetColor(reader.Color(property));
  } else if (name == "ParentColor") {
    parentColor = reader.Boolean(property);
    ColorChanged();
  } else if (name == "ParentFont") {
    parentFont = reader.Boolean(property);
    FontChanged();
  } else if (name.rfind("Font.", 0) == 0) {
    TFont changed = Font();
    const std::string field = name.substr(5);
    if (field == "Name") {
      changed.Name = reader.String(property);
    } else if (field == "Height") {
      changed.Height = reader.Integer(property);
    } else if (field == "Color") {
      changed.Color = reader.Color(property);
    } else if (field == "Charset") {
      changed.Charset = reader.Charset(property);
    } else if (field == "Style") {
      changed.Style = reader.SetBits(property, {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"});
    } else {
      return false;
    }
    SetFont(changed);
  } else {
    return TComponent::SetProperty(property, reader);
  }
  return true;
}

}  // namespace varnolt::ui
