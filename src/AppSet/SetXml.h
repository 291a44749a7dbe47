#pragma once
// Reading and writing settings files: the three ways of reading, the one way of writing, and
// the conversions every format uses for its attribute values.
#include <CEGUI/String.h>

#include <functional>
#include <string>

namespace CEGUI {
class XMLAttributes;
class XMLHandler;
class XMLSerializer;
}  // namespace CEGUI

// How a settings file is read.
enum class XmlReadVia {
  // The GUI system's XML parser. Before the GUI system exists the read is refused with the
  // set's own exception (raised and caught here, so it lands in the GUI library's log).
  GuiSystem,
  // A TinyXML parser module instance of its own: for files read before the GUI system exists.
  StandAlone,
  // The GUI system's XML parser, without a message of the set's own when it is missing (the
  // read then simply fails).
  GuiSystemUnchecked,
};

struct XmlReadOptions {
  XmlReadVia via = XmlReadVia::GuiSystem;
  // GuiSystem: the exception raised when the GUI system does not exist yet.
  const char* notReadyMessage =
      "Direct3D9Texture::loadFromFile - CEGUI::System object has not been created!";
  const char* notReadySource = "";
  int notReadyLine = 0;
  const char* notReadyFunction = "LoadSets";
  bool notReadyIsRendererException = true;
  // For sets that write their file back: a file that exists but cannot be read is copied to
  // its name + ".bad" before anything else happens, so the next save does not wipe out what
  // the user had in it.
  bool keepUnreadableCopy = false;
  // How the log lines name the file's kind, and what happens when it cannot be read.
  const char* subject = "settings";
  const char* fallback = "the defaults stay";
};

// Reads the file at `path` (UTF-8, relative to the working folder or absolute) with `handler`.
// True when the whole document was read. False, with one log line saying why, when it is
// missing, empty, not UTF-8 text, not well-formed, nested absurdly deep or larger than
// 16 MiB: such a document is refused before any element reaches the handler. When the
// handler itself throws, what it handled before stays. Never throws. The GUI variants must
// run on the GUI thread.
bool readSettingsXml(CEGUI::XMLHandler& handler, const std::string& path,
                     const XmlReadOptions& options);

// Writes a settings file: `body` writes the elements through the GUI library's serializer
// (indentation 4), and the document replaces the file atomically. False, with one log line,
// when the document could not be produced, would not read back (text that is not Unicode),
// or the file could not be written; the old file is then untouched. Any thread. The
// serializer writes a line break inside a value as the two characters "\n". Other XML files
// written the same way name themselves in the log line with `subject`.
bool writeSettingsXml(const std::string& path,
                      const std::function<void(CEGUI::XMLSerializer&)>& body,
                      const std::string& subject = "settings");

// Attribute values. Integers read as the GUI library's property conversions read them
// (leading blanks, a sign, digits; "12abc" is 12, "abc" is 0), except that values beyond the
// range saturate instead of wrapping around. Unsigned values read "-1" as 4294967295, as the
// library does. Booleans: only "true" and "True" are true.
int xmlToInt(const CEGUI::String& text);
unsigned xmlToUInt(const CEGUI::String& text);
bool xmlToBool(const CEGUI::String& text);
CEGUI::String xmlFromInt(int value);
CEGUI::String xmlFromUInt(unsigned value);
CEGUI::String xmlFromBool(bool value);

// A text attribute as a wide string ("" when missing).
std::wstring xmlAttrWide(const CEGUI::XMLAttributes& attributes, const char* name);
// A number attribute; `fallback` when the attribute is missing.
int xmlAttrInt(const CEGUI::XMLAttributes& attributes, const char* name, int fallback);
unsigned xmlAttrUInt(const CEGUI::XMLAttributes& attributes, const char* name, unsigned fallback);
bool xmlAttrBool(const CEGUI::XMLAttributes& attributes, const char* name, bool fallback);

// Paths held as wide strings, for the file functions.
std::string settingsPathUtf8(const std::wstring& path);
