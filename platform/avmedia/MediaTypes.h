#pragma once
// The vocabulary of the media graph: result codes, times, event codes and the class names
// filters are created by.
#include <cstdint>
#include <string_view>

namespace avmedia {

// Results: 0 or positive is success, negative a failure.
using HRESULT = int32_t;
constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004u);
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);
constexpr HRESULT VFW_E_NOT_FOUND = static_cast<HRESULT>(0x80040216u);
constexpr HRESULT VFW_E_NOT_CONNECTED = static_cast<HRESULT>(0x80040209u);
constexpr HRESULT VFW_E_ALREADY_CONNECTED = static_cast<HRESULT>(0x80040204u);
constexpr HRESULT VFW_E_WRONG_STATE = static_cast<HRESULT>(0x80040227u);
// A file that cannot be opened or written (HRESULT_FROM_WIN32 of a file error).
constexpr HRESULT E_FILE_OPEN = static_cast<HRESULT>(0x80070002u);
// The disk is full (HRESULT_FROM_WIN32(ERROR_DISK_FULL)).
constexpr HRESULT E_DISK_FULL = static_cast<HRESULT>(0x80070070u);

constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }

// Media times in 100-nanosecond units from the moment the graph runs.
using REFERENCE_TIME = int64_t;
constexpr REFERENCE_TIME kUnitsPerSecond = 10'000'000;

// Graph events.
constexpr long EC_COMPLETE = 0x01;
constexpr long EC_USERABORT = 0x02;
constexpr long EC_ERRORABORT = 0x03;

// Class names of the filters the graph can create.
inline constexpr std::string_view CLSID_FilterGraph = "{E436EBB3-524F-11CE-9F53-0020AF0BA770}";
// The screen capture source: the shell's drawn frames.
inline constexpr std::string_view CLSID_WndCap = "{BDEA957F-C36C-4DAE-A8BE-85B6FFBCDB4E}";
// Its size interface.
inline constexpr std::string_view IID_ICaptureSize = "{13F861E8-8C86-481E-A5AB-6463732E9825}";
// The Windows Media file writer (ASF container).
inline constexpr std::string_view CLSID_WMAsfWriter = "{7C23220E-55BB-11D3-8B16-00C04FB6BD3D}";

// The Windows Media file reader: the streams of an ASF file as the graph's sources.
inline constexpr std::string_view CLSID_WMAsfReader = "{187463A0-5BB7-11D3-ACBE-0080C75E246E}";

// How SetPositions takes a position (the other flags of the system's interface are not needed).
constexpr unsigned AM_SEEKING_NoPositioning = 0;
constexpr unsigned AM_SEEKING_AbsolutePositioning = 1;

enum class PinDirection { Input, Output };
enum class MediaKind { Video, Audio };

}  // namespace avmedia
