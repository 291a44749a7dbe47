#pragma once
// The component manager: registers the installation's components (shared objects with a
// registration entry point) listed in ocx.xml when the program starts and unregisters them
// when it ends. One program-wide instance. File: document element "ROOT", one "ITEM" per
// component with "PATH", in the order they are visited.
#include <string>
#include <vector>

class OCXManager {
 public:
  explicit OCXManager(std::wstring listPath = L"PKData/AppSets/ocx.xml");
  ~OCXManager();
  OCXManager(const OCXManager&) = delete;
  OCXManager& operator=(const OCXManager&) = delete;
  static OCXManager* getSingletonPtr();

  // Reads the list (through the GUI system's parser: GUI thread), replacing the one in memory;
  // an "ITEM" without "PATH" is skipped. False when the list is missing or cannot be read; the
  // list then holds what was read before the problem (nothing for a damaged document).
  bool loadList();
  // Visit every component in list order: load it, and call its "DllRegisterServer"
  // (respectively "DllUnregisterServer") when it has one. A component that cannot be loaded
  // or whose entry point returns a negative result is passed over; a component without the
  // entry point counts as done. The libraries stay loaded. Returns how many succeeded.
  // Any thread.
  int registerAll();
  int unregisterAll();

  const std::wstring& listPath() const { return listPath_; }
  void setListPath(const std::wstring& path) { listPath_ = path; }
  const std::vector<std::wstring>& components() const { return components_; }

 private:
  friend class ocx_xmlHandler;
  int visitAll(const char* entryPoint);

  std::wstring listPath_;
  std::vector<std::wstring> components_;
};
