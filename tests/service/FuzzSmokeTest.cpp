// A short run of the service's request fuzz target: the seed corpus, then mutations of it
// from a fixed random sequence. The target aborts on a broken invariant.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::vector<std::string> corpus() {
  std::vector<std::string> inputs;
  for (auto& entry : std::filesystem::directory_iterator(VK_FUZZ_SERVICE_CORPUS)) {
    std::ifstream in(entry.path(), std::ios::binary);
    inputs.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::sort(inputs.begin(), inputs.end());
  return inputs;
}

void run(const std::string& input) {
  LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
}

TEST(ServiceRequestFuzz, SmokeRunOverTheCorpusAndMutations) {
  auto seeds = corpus();
  ASSERT_GE(seeds.size(), 5u);
  for (auto& seed : seeds) run(seed);
  std::mt19937 random(1234);
  const std::string tokens[] = {"\"", "{", "}", "[", "]", ",", ":", "-1", "99999999999", "1e400", "null", "true",
                                "..", "/", "%00", "'", ";", "\\u0000", "\xff", "\xe4\xb8", "&", "=", "?", "\n"};
  for (int i = 0; i < 2000; ++i) {
    std::string input = seeds[random() % seeds.size()];
    int edits = 1 + static_cast<int>(random() % 4);
    for (int e = 0; e < edits && !input.empty(); ++e) {
      std::size_t at = random() % input.size();
      switch (random() % 4) {
        case 0: input[at] = static_cast<char>(random() & 0xFF); break;
        case 1: input.erase(at, 1 + random() % 8); break;
        case 2: input.insert(at, tokens[random() % std::size(tokens)]); break;
        default: input.insert(at, seeds[random() % seeds.size()].substr(0, 1 + random() % 40)); break;
      }
    }
    run(input);
  }
  SUCCEED();
}

}  // namespace
