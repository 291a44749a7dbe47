#pragma once
// The element-handler table every settings file is read with: element names map to member
// functions of the concrete handler, which registers its elements in its constructor and
// lives for one read.
#include <CEGUI/String.h>
#include <CEGUI/XMLAttributes.h>
#include <CEGUI/XMLHandler.h>

#include <map>

// One line at the error level of the GUI library's log for an element no handler knows;
// reading goes on with the next element.
void logUnknownXmlElement(const CEGUI::String& element);

template <typename T>
class TXMLHander : public CEGUI::XMLHandler {
 public:
  using StartHandler = void (T::*)(const CEGUI::XMLAttributes&);
  using EndHandler = void (T::*)();

  ~TXMLHander() override = default;

  // Insert or replace the handler for `element`.
  void registerStart(const CEGUI::String& element, StartHandler handler) {
    starts_[element] = handler;
  }
  void registerEnd(const CEGUI::String& element, EndHandler handler) { ends_[element] = handler; }

  void elementStart(const CEGUI::String& element, const CEGUI::XMLAttributes& attributes) override {
    const auto it = starts_.find(element);
    if (it == starts_.end()) {
      logUnknownXmlElement(element);
      return;
    }
    (static_cast<T*>(this)->*(it->second))(attributes);
  }

  void elementEnd(const CEGUI::String& element) override {
    const auto it = ends_.find(element);
    if (it != ends_.end()) (static_cast<T*>(this)->*(it->second))();
  }

  const CEGUI::String& getDefaultResourceGroup() const override {
    static const CEGUI::String none;
    return none;
  }

 protected:
  // A start handler for elements that are known but carry nothing (document elements).
  void acceptElement(const CEGUI::XMLAttributes&) {}

 private:
  std::map<CEGUI::String, StartHandler> starts_;
  std::map<CEGUI::String, EndHandler> ends_;
};
