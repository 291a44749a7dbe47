// Runs a fuzz target without libFuzzer (a compiler without it): every seed file given (files
// or folders of files), then seeded random mutations of each, so the target stays built and
// exercised in the test suite.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

void runWithMutations(std::vector<uint8_t> input, std::mt19937& rng, int mutations) {
  LLVMFuzzerTestOneInput(input.data(), input.size());
  for (int m = 0; m < mutations && !input.empty(); ++m) {
    auto copy = input;
    const int edits = 1 + static_cast<int>(rng() % 4);
    for (int e = 0; e < edits; ++e) {
      const size_t at = rng() % copy.size();
      switch (rng() % 3) {
        case 0: copy[at] = static_cast<uint8_t>(rng()); break;                  // change a byte
        case 1: copy.erase(copy.begin() + static_cast<long>(at)); break;        // drop one
        default: copy.insert(copy.begin() + static_cast<long>(at), copy[rng() % copy.size()]);  // repeat one
      }
      if (copy.empty()) break;
    }
    if (rng() % 4 == 0 && !copy.empty()) copy.resize(rng() % copy.size());  // cut off
    LLVMFuzzerTestOneInput(copy.data(), copy.size());
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::mt19937 rng(1);
  const int mutations = 300;
  int files = 0;
  for (int i = 1; i < argc; ++i) {
    std::vector<std::filesystem::path> paths;
    if (std::filesystem::is_directory(argv[i])) {
      for (const auto& e : std::filesystem::directory_iterator(argv[i])) paths.push_back(e.path());
      std::sort(paths.begin(), paths.end());  // the same mutations in every run
    } else {
      paths.emplace_back(argv[i]);
    }
    for (const auto& p : paths) {
      std::ifstream f(p, std::ios::binary);
      runWithMutations(std::vector<uint8_t>((std::istreambuf_iterator<char>(f)), {}), rng, mutations);
      ++files;
    }
  }
  std::printf("fuzz replay: %d seed files, %d mutations each\n", files, mutations);
  return files > 0 ? 0 : 1;
}
