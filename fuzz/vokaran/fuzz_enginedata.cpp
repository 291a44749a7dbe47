// libFuzzer target for the engine data file parser.
#include "core/EngineData.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto r = vokaran::parseEngineData(std::string(reinterpret_cast<const char*>(data), size), "/base");
    if (!r.ok && r.error.empty()) __builtin_trap();  // a refusal always says why
    return 0;
}
