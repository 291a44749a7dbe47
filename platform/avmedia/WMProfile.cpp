#include "avmedia/WMProfile.h"

#include <tinyxml.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "oscompat/Utf.h"

namespace avmedia {
namespace {

// UTF-16 files (with their byte-order mark) become UTF-8; others are taken as UTF-8.
std::string asUtf8(const std::string& bytes) {
  const bool le = bytes.size() >= 2 && static_cast<uint8_t>(bytes[0]) == 0xFF && static_cast<uint8_t>(bytes[1]) == 0xFE;
  const bool be = bytes.size() >= 2 && static_cast<uint8_t>(bytes[0]) == 0xFE && static_cast<uint8_t>(bytes[1]) == 0xFF;
  if (!le && !be) {
    if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return bytes.substr(3);
    return bytes;
  }
  std::u16string text;
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
    const auto a = static_cast<uint8_t>(bytes[i]), b = static_cast<uint8_t>(bytes[i + 1]);
    const char16_t unit = le ? static_cast<char16_t>(a | b << 8) : static_cast<char16_t>(b | a << 8);
    if (unit == 0) break;
    text.push_back(unit);
  }
  return oscompat::utf8FromWide(oscompat::wideFromUtf16(text));
}

HRESULT fail(std::string* error, const std::string& why) {
  if (error) *error = why;
  return E_INVALIDARG;
}

// Reads an integer attribute in [low, high]; absent keeps the default.
bool readInt(const TiXmlElement& e, const char* name, int low, int high, int& value, std::string& why) {
  const char* text = e.Attribute(name);
  if (!text) return true;
  char* end = nullptr;
  const long v = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || v < low || v > high) {
    why = std::string("<") + e.Value() + "> " + name + "=\"" + text + "\" is not a whole number from " +
          std::to_string(low) + " to " + std::to_string(high);
    return false;
  }
  value = static_cast<int>(v);
  return true;
}

}  // namespace

HRESULT LoadProfileByData(const std::string& bytes, WMProfile& profile, std::string* error) {
  TiXmlDocument doc;
  doc.Parse(asUtf8(bytes).c_str(), nullptr, TIXML_ENCODING_UTF8);
  if (doc.Error()) return fail(error, std::string("not XML: ") + doc.ErrorDesc() + " (row " + std::to_string(doc.ErrorRow()) + ")");
  const TiXmlElement* root = doc.RootElement();
  if (!root || std::string(root->Value()) != "profile") return fail(error, "the root element is not <profile>");
  WMProfile result;
  if (const char* name = root->Attribute("name")) result.name = name;
  std::string why;
  for (const TiXmlElement* e = root->FirstChildElement(); e; e = e->NextSiblingElement()) {
    const std::string kind = e->Value();
    if (kind == "video") {
      if (result.video) return fail(error, "more than one <video> stream");
      WMProfile::Video v;
      if (const char* codec = e->Attribute("codec")) v.codec = codec;
      if (v.codec != "wmv2") return fail(error, "the video codec \"" + v.codec + "\" is not supported (wmv2 is)");
      if (!readInt(*e, "width", 0, 4096, v.width, why) || !readInt(*e, "height", 0, 4096, v.height, why) ||
          !readInt(*e, "framerate", 1, 60, v.frameRate, why) ||
          !readInt(*e, "bitrate", 32'000, 50'000'000, v.bitRate, why) ||
          !readInt(*e, "keyframeinterval", 100, 60'000, v.keyFrameIntervalMs, why))
        return fail(error, why);
      if ((v.width == 0) != (v.height == 0)) return fail(error, "<video> gives only one of width and height");
      // The encoder's pictures are in 4:2:0: both sides must be even.
      if (v.width % 2 || v.height % 2 || (v.width && (v.width < 16 || v.height < 16)))
        return fail(error, "<video> width and height must be even and at least 16");
      result.video = v;
    } else if (kind == "audio") {
      if (result.audio) return fail(error, "more than one <audio> stream");
      WMProfile::Audio a;
      if (const char* codec = e->Attribute("codec")) a.codec = codec;
      if (a.codec != "wmav2") return fail(error, "the audio codec \"" + a.codec + "\" is not supported (wmav2 is)");
      if (!readInt(*e, "samplerate", 8000, 96000, a.sampleRate, why) || !readInt(*e, "channels", 1, 2, a.channels, why) ||
          !readInt(*e, "bitrate", 16'000, 768'000, a.bitRate, why))
        return fail(error, why);
      result.audio = a;
    } else {
      return fail(error, "unknown stream <" + kind + ">");
    }
  }
  if (!result.video && !result.audio) return fail(error, "the profile has no stream");
  profile = result;
  return S_OK;
}

HRESULT LoadProfileFromFile(const std::string& path, WMProfile& profile, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (error) *error = "cannot read " + path;
    return E_FILE_OPEN;
  }
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string why;
  const HRESULT hr = LoadProfileByData(bytes, profile, &why);
  if (FAILED(hr) && error) *error = path + ": " + why;
  return hr;
}

}  // namespace avmedia
