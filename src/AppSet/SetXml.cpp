#include "AppSet/SetXml.h"

#include <CEGUI/CEGUI.h>
#include <CEGUI/XMLParserModules/TinyXML/XMLParser.h>
#include <tinyxml.h>

#include <climits>
#include <cstring>
#include <sstream>
#include <vector>

#include "AppSet/TXMLHander.h"
#include "app/AppLog.h"
#include "app/TextConvert.h"
#include "oscompat/AtomicFile.h"
#include "oscompat/Utf.h"

namespace {

// Settings files are a few kilobytes; anything near this is damage, not settings.
constexpr size_t kMaxSettingsBytes = 16u << 20;
// The deepest settings format nests three levels; the XML parsers recurse once per level.
constexpr int kMaxNesting = 64;

// The deepest element nesting of the document, counted on the raw bytes before any parser
// recurses into it. Comments, processing instructions, declarations and CDATA are skipped;
// quoted attribute values may hold '>'. Errs on the high side, which only refuses nonsense.
int nestingDepth(const std::string& s) {
  int depth = 0, deepest = 0;
  size_t i = 0;
  const size_t n = s.size();
  auto skipPast = [&](const char* end) {
    const size_t at = s.find(end, i);
    i = at == std::string::npos ? n : at + std::strlen(end);
  };
  while (i < n) {
    if (s[i] != '<') {
      ++i;
      continue;
    }
    if (s.compare(i, 4, "<!--") == 0) {
      skipPast("-->");
    } else if (s.compare(i, 9, "<![CDATA[") == 0) {
      skipPast("]]>");
    } else if (s.compare(i, 2, "<?") == 0 || s.compare(i, 2, "<!") == 0) {
      skipPast(">");
    } else if (s.compare(i, 2, "</") == 0) {
      --depth;
      skipPast(">");
    } else {
      char quote = 0;
      size_t j = i + 1;
      for (; j < n; ++j) {
        if (quote) {
          if (s[j] == quote) quote = 0;
        } else if (s[j] == '"' || s[j] == '\'') {
          quote = s[j];
        } else if (s[j] == '>') {
          break;
        }
      }
      const bool selfClosing = j < n && s[j - 1] == '/';
      if (!selfClosing && ++depth > deepest) deepest = depth;
      i = j + 1;
    }
  }
  return deepest;
}

// What is wrong with the document before the GUI library's parser sees it; empty when
// nothing is. The library's TinyXML parser module hands names, values and text to the
// library's string class, which decodes them as UTF-8 without bounds checks: text that is not
// UTF-8 (raw, or produced by a character reference such as "&#233;" in a document TinyXML
// does not read as UTF-8) would be read past its end. So the document is parsed once here
// with the same TinyXML, and every string the module would receive is checked.
std::string documentProblem(const std::string& bytes) {
  if (bytes.find_first_not_of(" \t\r\n") == std::string::npos) return "the file is empty";
  if (bytes.size() > kMaxSettingsBytes) return "the file is larger than 16 MiB";
  if (bytes.find('\0') != std::string::npos) return "the file holds NUL bytes";
  if (!oscompat::isValidUtf8(bytes)) return "the file is not UTF-8 text";
  if (nestingDepth(bytes) > kMaxNesting) return "elements are nested more than 64 deep";

  // The same buffer the library's parser module builds: the bytes, a newline, a terminator.
  const std::string buffer = bytes + '\n';
  TiXmlDocument doc;
  doc.Parse(buffer.c_str());
  if (doc.Error()) {
    return std::string("the XML is not well-formed (") + doc.ErrorDesc() + " at line " +
           std::to_string(doc.ErrorRow()) + ", column " + std::to_string(doc.ErrorCol()) + ")";
  }
  std::vector<const TiXmlNode*> pending;
  if (doc.RootElement()) pending.push_back(doc.RootElement());
  while (!pending.empty()) {
    const TiXmlNode* node = pending.back();
    pending.pop_back();
    if (const TiXmlElement* e = node->ToElement()) {
      if (!oscompat::isValidUtf8(e->Value())) return "an element name is not UTF-8 text";
      for (const TiXmlAttribute* a = e->FirstAttribute(); a; a = a->Next())
        if (!oscompat::isValidUtf8(a->Name()) || !oscompat::isValidUtf8(a->Value()))
          return "an attribute is not UTF-8 text (a character reference outside UTF-8?)";
      for (const TiXmlNode* c = e->FirstChild(); c; c = c->NextSibling()) pending.push_back(c);
    } else if (const TiXmlText* t = node->ToText()) {
      if (!oscompat::isValidUtf8(t->Value())) return "text is not UTF-8 (a character reference outside UTF-8?)";
    }
  }
  return {};
}

// Copies bytes that could not be read beside the file, once they are worth keeping.
void keepUnreadable(const std::string& subject, const std::string& path, const std::string& bytes) {
  std::string why;
  if (oscompat::writeFileAtomically(path + ".bad", bytes, &why))
    appLogError(subject + ": the unreadable content of " + path + " is kept as " + path + ".bad");
  else
    appLogError(subject + ": keeping the unreadable content of " + path + " failed: " + why);
}

// Hands the checked bytes to `parser` without copying them again.
void parseBytes(CEGUI::XMLParser& parser, CEGUI::XMLHandler& handler, std::string& bytes) {
  struct Borrowed {
    CEGUI::RawDataContainer raw;
    ~Borrowed() { raw.setData(nullptr); }  // the bytes belong to the string
  } b;
  b.raw.setData(reinterpret_cast<CEGUI::uint8*>(bytes.data()));
  b.raw.setSize(bytes.size());
  parser.parseXML(handler, b.raw, "");
}

// Parses integers the way the library's property conversion does ("%d" after blanks), with
// saturation; `negativeWraps` gives the unsigned reading of a leading minus.
long long parseNumber(const char* p, long long low, long long high, bool negativeWraps) {
  while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  unsigned long long magnitude = 0;
  const unsigned long long limit = negativeWraps ? static_cast<unsigned long long>(high)
                                   : negative    ? static_cast<unsigned long long>(-low)
                                                 : static_cast<unsigned long long>(high);
  for (; *p >= '0' && *p <= '9'; ++p) {
    magnitude = magnitude * 10 + static_cast<unsigned>(*p - '0');
    if (magnitude > limit) {
      magnitude = limit;
      break;
    }
  }
  if (!negative) return static_cast<long long>(magnitude);
  if (negativeWraps) return static_cast<long long>((high + 1 - magnitude) % (high + 1));
  return -static_cast<long long>(magnitude);
}

}  // namespace

void logUnknownXmlElement(const CEGUI::String& element) {
  appLogError(std::string("Falagard::xmlHandler::elementStart - The unknown XML element '") +
              element.c_str() + "' was encountered while processing the look and feel file.");
}

bool readSettingsXml(CEGUI::XMLHandler& handler, const std::string& path,
                     const XmlReadOptions& options) {
  try {
    if (options.via != XmlReadVia::StandAlone && !CEGUI::System::getSingletonPtr()) {
      if (options.via == XmlReadVia::GuiSystemUnchecked) {
        appLogError(std::string(options.subject) + ": " + path + " not read: the GUI system does not exist");
        return false;
      }
      // Raised and caught here; the library's exception writes itself into its log.
      if (options.notReadyIsRendererException) {
        CEGUI::RendererException error(options.notReadyMessage, options.notReadySource,
                                       options.notReadyLine, options.notReadyFunction);
        throw error;
      }
      CEGUI::GenericException error(options.notReadyMessage, options.notReadySource,
                                    options.notReadyLine, options.notReadyFunction);
      throw error;
    }

    std::string bytes, why;
    bool missing = false;
    if (!oscompat::readWholeFile(path, bytes, &why, &missing)) {
      if (missing)
        appLog(std::string(options.subject) + ": " + path + " does not exist; " + options.fallback);
      else
        appLogError(std::string(options.subject) + ": " + path + " not read: " + why);
      return false;
    }
    const std::string problem = documentProblem(bytes);
    if (!problem.empty()) {
      appLogError(std::string(options.subject) + ": " + path + " not read: " + problem + "; " + options.fallback);
      if (options.keepUnreadableCopy && problem != "the file is empty") keepUnreadable(options.subject, path, bytes);
      return false;
    }
    if (options.via == XmlReadVia::StandAlone) {
      CEGUI::TinyXMLParser parser;
      parseBytes(parser, handler, bytes);
    } else {
      parseBytes(*CEGUI::System::getSingleton().getXMLParser(), handler, bytes);
    }
    return true;
  } catch (const CEGUI::Exception&) {
    // The library's exceptions have logged themselves already.
    return false;
  } catch (const std::exception& e) {
    appLogError(std::string(options.subject) + ": reading " + path + " failed: " + e.what());
    return false;
  }
}

bool writeSettingsXml(const std::string& path,
                      const std::function<void(CEGUI::XMLSerializer&)>& body,
                      const std::string& subject) {
  std::ostringstream out;
  try {
    CEGUI::XMLSerializer xml(out, 4);
    body(xml);
    if (!xml) {
      appLogError(subject + ": " + path + " not saved: the document could not be produced");
      return false;
    }
  } catch (const std::exception& e) {
    appLogError(subject + ": " + path + " not saved: " + e.what());
    return false;
  }
  // Whatever is written must read back: never replace a file with one the reader refuses.
  const std::string document = out.str();
  if (!oscompat::isValidUtf8(document)) {
    appLogError(subject + ": " + path + " not saved: a value is not Unicode text");
    return false;
  }
  std::string why;
  if (!oscompat::writeFileAtomically(path, document, &why)) {
    appLogError(subject + ": " + path + " not saved: " + why);
    return false;
  }
  return true;
}

int xmlToInt(const CEGUI::String& text) {
  return static_cast<int>(parseNumber(text.c_str(), INT_MIN, INT_MAX, false));
}

unsigned xmlToUInt(const CEGUI::String& text) {
  return static_cast<unsigned>(parseNumber(text.c_str(), 0, UINT_MAX, true));
}

bool xmlToBool(const CEGUI::String& text) { return CEGUI::PropertyHelper<bool>::fromString(text); }

CEGUI::String xmlFromInt(int value) { return CEGUI::PropertyHelper<int>::toString(value); }

CEGUI::String xmlFromUInt(unsigned value) { return CEGUI::PropertyHelper<CEGUI::uint>::toString(value); }

CEGUI::String xmlFromBool(bool value) { return CEGUI::PropertyHelper<bool>::toString(value); }

std::wstring xmlAttrWide(const CEGUI::XMLAttributes& attributes, const char* name) {
  return attributes.exists(name) ? wideFromGui(attributes.getValue(name)) : std::wstring();
}

int xmlAttrInt(const CEGUI::XMLAttributes& attributes, const char* name, int fallback) {
  return attributes.exists(name) ? xmlToInt(attributes.getValue(name)) : fallback;
}

unsigned xmlAttrUInt(const CEGUI::XMLAttributes& attributes, const char* name, unsigned fallback) {
  return attributes.exists(name) ? xmlToUInt(attributes.getValue(name)) : fallback;
}

bool xmlAttrBool(const CEGUI::XMLAttributes& attributes, const char* name, bool fallback) {
  return attributes.exists(name) ? xmlToBool(attributes.getValue(name)) : fallback;
}

std::string settingsPathUtf8(const std::wstring& path) { return oscompat::utf8FromWide(path); }
