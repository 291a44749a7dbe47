#pragma once
// The base of every page and dialog. A page is attached under a parent window and becomes
// the GUI's modal target; it ends with a result, reported by its "EndModal" event, gives the
// GUI back the modal target and active window it found, and is deleted later, outside the
// handler that ended it (freeLater).
#include <CEGUI/EventSet.h>

#include <memory>

#include "app/ModalState.h"

namespace CEGUI {
class Window;
}

class IPageCtrl : public CEGUI::EventSet {
 public:
  IPageCtrl();
  ~IPageCtrl() override;
  IPageCtrl(const IPageCtrl&) = delete;
  IPageCtrl& operator=(const IPageCtrl&) = delete;

  // The page's root window, or null before createPage and after closePage.
  virtual CEGUI::Window* pageWindow() { return d_root; }
  // Loads the page's layout under `parent` and wires it.
  virtual void createPage(CEGUI::Window* parent) = 0;
  // The page's own start work once it is modal.
  virtual bool onAttached() { return true; }
  // Destroys the page's root window; true.
  virtual bool closePage();

  // Saves the modal state, creates the page under `parent`, adds its window there and makes
  // it modal, then runs onAttached. True when the page's window became the modal target.
  bool attach(CEGUI::Window* parent);
  // GUI thread: stores the result, closes the page, restores the saved state and fires
  // "EndModal" on the page.
  void endModal(int result);
  // Any thread: the page ends with `result` on the GUI thread.
  void postEndModal(int result);
  int result() const { return result_; }

  // Deletes `object` on the GUI thread once the current handler has returned. Any thread.
  template <typename T>
  static void freeLater(T* object);

  // Whether endModal keeps the saved state to itself (false) or gives it back (true).
  void setRestoreState(bool restore) { restore_ = restore; }

 protected:
  // createPage's loading: a window named `leftOver` still on the GUI sheet (a page of this
  // kind left from before, whose buttons would answer for this one) goes first, then the
  // layout is loaded. Null when it cannot be: the GUI library has logged why.
  static CEGUI::Window* loadPageLayout(const char* layoutFile, const char* leftOver = nullptr);

  CEGUI::Window* d_root = nullptr;

 private:
  bool onAsyEndModal(const CEGUI::EventArgs& args);
  static void ensureFreeObjectHandler();
  static void postFreeObject(class EventArgsFreeObject* args);

  std::unique_ptr<ModalState> modalState_;
  int result_ = 0;
  bool restore_ = true;
};

#include "app/PageEventArgs.h"

template <typename T>
void IPageCtrl::freeLater(T* object) {
  if (!object) return;
  postFreeObject(new EventArgsFreeObject(object));
}
