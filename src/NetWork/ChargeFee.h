#pragma once
// The records a charge travels in: the fee request handed to the payment object and to the
// networking library, and the fee record sent back after a confirmed charge.
#include <string>

#include "vokanetlink/VokaNetLink.h"

// Data handed over with an event to the GUI thread; owned by whoever holds the pointer.
class MainThreadInfoExData {
 public:
  virtual ~MainThreadInfoExData() = default;
};

// A fee request: kind 1 a sing, 2 an upload (0 until set).
class ChargeFeeinParam : public IChargeFeeinParam, public MainThreadInfoExData {
 public:
  static constexpr int kSing = 1;
  static constexpr int kUpload = 2;

  ChargeFeeinParam() = default;
  ChargeFeeinParam(int kind, std::wstring songId, std::wstring songName, std::wstring extra = {})
      : kind(kind), songId(std::move(songId)), songName(std::move(songName)), extra(std::move(extra)) {}

  int getKind() const override { return kind; }
  const wchar_t* getSongId() const override { return songId.c_str(); }
  const wchar_t* getSongName() const override { return songName.c_str(); }
  const wchar_t* getExtra() const override { return extra.c_str(); }

  int kind = 0;
  std::wstring songId;
  std::wstring songName;
  std::wstring extra;
};

// What the user has left after a charge, as this program counts it.
class LocalFeeData : public ILocalFeeData {
 public:
  int getRemainingSings() const override { return remainingSings; }
  int getRemainingUploads() const override { return remainingUploads; }
  const wchar_t* getCoins() const override { return coins.c_str(); }

  int remainingSings = 0;
  int remainingUploads = 0;
  std::wstring coins;
};
