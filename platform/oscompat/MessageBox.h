#pragma once
// Message boxes. Once the GUI exists the shell installs a presenter that shows a modal notice;
// before that (or without one) the text goes to standard error and the log.
#include <functional>
#include <string>

namespace oscompat {

enum MessageBoxFlags : unsigned {
  MB_OK = 0x0,
  MB_ICONERROR = 0x10,
  MB_ICONWARNING = 0x30,
  MB_ICONINFORMATION = 0x40,
};
constexpr int IDOK = 1;

using MessageBoxPresenter =
    std::function<int(const std::wstring& text, const std::wstring& caption, unsigned flags)>;

// Any thread; the presenter decides how to reach the GUI.
void setMessageBoxPresenter(MessageBoxPresenter presenter);
// Returns the button pressed (IDOK).
int messageBox(const std::wstring& text, const std::wstring& caption, unsigned flags);

}  // namespace oscompat
