#pragma once
// The device record exchanged with the launcher: 528 bytes, the output device in entry 0 and
// the input device in entry 1.
#include <cstdint>
#include <string>

struct DeviceChoiceEntry {
  int32_t kind = 0;  // 0 output, 1 input
  int32_t id = 0;
  char16_t name[128] = {};  // zero-padded, at most 127 units so it stays terminated
};

struct DeviceChoice {
  DeviceChoiceEntry entries[2];

  // Fills both entries (kinds 0 and 1).
  static DeviceChoice make(int outputId, const std::wstring& outputName, int inputId,
                           const std::wstring& inputName);
  static std::wstring nameOf(const DeviceChoiceEntry& entry);
};

static_assert(sizeof(DeviceChoiceEntry) == 264, "device entries are 264 bytes");
static_assert(sizeof(DeviceChoice) == 528, "the device record is 528 bytes");

// The copy-data tag of a device record sent to the launcher.
constexpr uint32_t kDeviceChoiceTag = 502;

// Sends the record to the launcher when it is there; false otherwise.
bool sendDeviceChoiceToLauncher(const DeviceChoice& choice);
