#pragma once
// Shared part of the settings fuzz targets: a headless GUI system (the usual reading goes
// through its XML parser), a scratch file per process, and a round-trip check.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

namespace vkfuzz {

// Once per process: the GUI system on the null renderer with the TinyXML parser module; log
// output is dropped.
void initialise();
// The file each input is written to (on a memory file system when there is one).
const std::string& scratchFile();
std::wstring scratchFileWide();
void writeInput(const uint8_t* data, size_t size);

// Failure of a property: ends the process the way the fuzzer notices.
[[noreturn]] void fail(const char* what);

// Reads the input with a fresh set; when it reads, what was read must survive being written
// and read again. Only line breaks inside values may change on the first round (the GUI
// library's serializer writes them as "\n"), and never again after that.
// `make` gives a fresh set for the scratch file; `snapshot` describes its content.
template <typename Make, typename Snapshot>
void roundTrip(const uint8_t* data, size_t size, Make make, Snapshot snapshot) {
  writeInput(data, size);
  auto first = make();
  if (!first->LoadSets()) return;
  const std::string a = snapshot(*first);
  if (!first->SaveSets()) fail("a set that was read could not be written");
  auto second = make();
  if (!second->LoadSets()) fail("a written file could not be read back");
  const std::string b = snapshot(*second);
  if (a == b) return;
  if (a.find_first_of("\r\n") == std::string::npos) fail("a round trip changed the content");
  if (!second->SaveSets()) fail("a set that was read could not be written");
  auto third = make();
  if (!third->LoadSets() || snapshot(*third) != b) fail("a second round trip changed the content");
}

// Appends a field to a snapshot; fields are separated by a byte no field holds.
void field(std::string& out, const std::wstring& text);
void field(std::string& out, long long number);

}  // namespace vkfuzz
