#include "app/DeviceChoice.h"

#include <algorithm>

#include "oscompat/LauncherLink.h"
#include "oscompat/Utf.h"

namespace {
void fill(DeviceChoiceEntry& e, int kind, int id, const std::wstring& name) {
  e.kind = kind;
  e.id = id;
  std::fill(std::begin(e.name), std::end(e.name), u'\0');
  const std::u16string units = oscompat::utf16FromWide(name);
  std::copy_n(units.begin(), std::min<size_t>(units.size(), 127), e.name);
}
}  // namespace

DeviceChoice DeviceChoice::make(int outputId, const std::wstring& outputName, int inputId,
                                const std::wstring& inputName) {
  DeviceChoice c;
  fill(c.entries[0], 0, outputId, outputName);
  fill(c.entries[1], 1, inputId, inputName);
  return c;
}

std::wstring DeviceChoice::nameOf(const DeviceChoiceEntry& entry) {
  size_t n = 0;
  while (n < 128 && entry.name[n] != u'\0') ++n;
  return oscompat::wideFromUtf16(std::u16string(entry.name, n));
}

bool sendDeviceChoiceToLauncher(const DeviceChoice& choice) {
  auto& link = oscompat::launcherLink();
  if (!link.isConnected()) return false;
  return link.sendCopyData(kDeviceChoiceTag, &choice, sizeof(choice));
}
