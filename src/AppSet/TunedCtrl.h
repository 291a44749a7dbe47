#pragma once
// The singer's tone records: seven slots of tuning results reported by the server, kept in
// TunedInfo.xml: document element "ROOT", seven "Item" elements in slot order with "IsMale"
// (boolean text), "HighPitch", "HighKey", "Leave" and "bUse" (boolean text).
#include <CEGUI/EventSet.h>

#include <array>
#include <cstdint>
#include <string>

#include "AppSet/ISet.h"

struct ToneRecord {
  int IsMale = 1;  // a flag
  int HighPitch = 0;
  int HighKey = 0;
  int Leave = 0;
  uint8_t bUse = 0;
  uint8_t bChecked = 0;  // not stored in the file

  // The name of a range by its number, 1 (low) to 5 (high); empty for other numbers.
  static std::wstring rangeName(int number);
};

class TunedCtrl : public CEGUI::EventSet, public ISet {
 public:
  static constexpr int kSlots = 7;

  explicit TunedCtrl(std::wstring path = L"PKData/AppSets/TunedInfo.xml");

  // Through the GUI system's parser (GUI thread). The first seven items replace the slots in
  // order; further items are ignored. A missing "HighPitch" or "Leave" reads as 0; a missing
  // "IsMale", "HighKey" or "bUse" keeps the default.
  bool LoadSets() override;
  bool SaveSets() override;

  const std::wstring& path() const { return path_; }
  void setPath(const std::wstring& path) { path_ = path; }

  const std::array<ToneRecord, kSlots>& records() const { return records_; }
  // Replaces a slot; false (nothing changes) for an index outside 0..6.
  bool setRecord(int index, const ToneRecord& record);

 private:
  friend class TunedInfoXMLHander;
  std::wstring path_;
  std::array<ToneRecord, kSlots> records_{};
};
