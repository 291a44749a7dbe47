#include "FuzzHarness.h"

#include <CEGUI/CEGUI.h>
#include <CEGUI/RendererModules/Null/Renderer.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "oscompat/Log.h"
#include "oscompat/Utf.h"

namespace vkfuzz {
namespace {

class SilentLogger : public CEGUI::Logger {
 public:
  void logEvent(const CEGUI::String&, CEGUI::LoggingLevel) override {}
  void setLogFilename(const CEGUI::String&, bool) override {}
};

}  // namespace

void initialise() {
  static bool done = false;
  if (done) return;
  done = true;
  CEGUI::Exception::setStdErrEnabled(false);
  oscompat::setLogSink([](oscompat::LogLevel, const std::string&) {});
  new SilentLogger;  // before the system, which would otherwise write CEGUI.log here
  CEGUI::System::setDefaultXMLParserName("TinyXMLParser");
  CEGUI::NullRenderer& renderer = CEGUI::NullRenderer::create();
  CEGUI::System::create(renderer);
  scratchFile();  // built before the handler is registered, so it outlives the handler
  std::atexit([] {
    std::remove(scratchFile().c_str());
    std::remove((scratchFile() + ".bad").c_str());
  });
}

const std::string& scratchFile() {
  static const std::string path = [] {
    const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    return std::string(dir) + "/vkfuzz-appsets-" + std::to_string(getpid()) + ".xml";
  }();
  return path;
}

std::wstring scratchFileWide() { return oscompat::wideFromUtf8(scratchFile()); }

void writeInput(const uint8_t* data, size_t size) {
  std::ofstream out(scratchFile(), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

void fail(const char* what) {
  std::fprintf(stderr, "settings fuzz target: %s\n", what);
  std::abort();
}

void field(std::string& out, const std::wstring& text) {
  out += oscompat::utf8FromWide(text);
  out += '\x1f';
}

void field(std::string& out, long long number) {
  out += std::to_string(number);
  out += '\x1f';
}

}  // namespace vkfuzz
