// Turns a parsed layout into live components: the classes it names are made through a
// registry, owned by the root, parented as nested, and given their properties in stored order.
#pragma once

#include <initializer_list>
#include <map>
#include <string>

#include "ui/Controls.h"
#include "ui/Layout.h"

namespace varnolt::ui {

using TComponentFactory = TComponent* (*)(TComponent* owner);

class TClassRegistry {
 public:
  void Register(const std::string& className, TComponentFactory factory);
  bool Contains(const std::string& className) const { return factories.count(className) != 0; }
  // Raises Exception for a class that was never registered.
  TComponent* Create(const std::string& className, TComponent* owner) const;

 private:
  std::map<std::string, TComponentFactory> factories;
};

// The registry the forms' layouts are read with.
TClassRegistry& ComponentClasses();

// The handlers a layout may name, by name.
struct TEventTable {
  std::map<std::string, TNotifyEvent> notify;
  std::map<std::string, TCloseQueryEvent> closeQuery;
};

class TReader {
 public:
  TReader(TComponent& root, const TClassRegistry& classes, const TEventTable& events)
      : root(root), classes(classes), events(events) {}

  // Gives `root` the description's properties and makes its nested objects, then calls Loaded
  // on every component made and on the root. Errors raise Exception naming the line.
  void ReadRoot(const TLayoutObject& description);

  // Conversions for SetProperty; a value of the wrong kind raises Exception.
  int Integer(const TLayoutProperty& property) const;
  bool Boolean(const TLayoutProperty& property) const;
  const std::string& String(const TLayoutProperty& property) const;
  TColor Color(const TLayoutProperty& property) const;
  int Charset(const TLayoutProperty& property) const;
  // Index of the identifier among `names`.
  int Enumeration(const TLayoutProperty& property, std::initializer_list<const char*> names) const;
  // Bit i set for each member equal to names[i].
  unsigned SetBits(const TLayoutProperty& property, std::initializer_list<const char*> names) const;
  TNotifyEvent NotifyEvent(const TLayoutProperty& property) const;
  TCloseQueryEvent CloseQueryEvent(const TLayoutProperty& property) const;

  [[noreturn]] void Fail(const TLayoutProperty& property, const char* what) const;

 private:
  void ReadProperties(TComponent& component, const TLayoutObject& description);
  void ReadChildren(TComponent& container, const TLayoutObject& description,
                    std::vector<TComponent*>& made);

  TComponent& root;
  const TClassRegistry& classes;
  const TEventTable& events;
};

}  // namespace varnolt::ui
