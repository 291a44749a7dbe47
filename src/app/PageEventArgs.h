#pragma once
// Arguments of the two deferred page operations.
#include <CEGUI/EventArgs.h>

#include <functional>

// "FreeObject": the object to delete on the GUI thread, after the handler that asked for it
// has returned. The arguments own the object until the handler takes it, so an event that is
// never delivered (the program ends first) still frees it.
class EventArgsFreeObject : public CEGUI::EventArgs {
 public:
  template <typename T>
  explicit EventArgsFreeObject(T* object)
      : object(object), deleter_([object] { delete object; }) {}
  ~EventArgsFreeObject() override { freeObject(); }
  EventArgsFreeObject(const EventArgsFreeObject&) = delete;
  EventArgsFreeObject& operator=(const EventArgsFreeObject&) = delete;

  void freeObject() {
    if (deleter_) {
      auto deleter = std::move(deleter_);
      deleter_ = nullptr;
      deleter();
    }
    object = nullptr;
  }

  const void* object;

 private:
  std::function<void()> deleter_;
};

// "EventAsyEndModal": the result a page ends with.
class AsyEndModalEventArgs : public CEGUI::EventArgs {
 public:
  explicit AsyEndModalEventArgs(int result) : result(result) {}
  int result;
};
