// Runs a fuzz target without libFuzzer (a compiler without it): every file given or found in a
// folder given, then seeded random mutations of each, so the target stays built and exercised
// in the test suite.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <iterator>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
    std::mt19937 rng(1);
    const int mutations = 300;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        if (std::filesystem::is_directory(argv[i])) {
            for (const auto& e : std::filesystem::directory_iterator(argv[i]))
                if (e.is_regular_file()) files.push_back(e.path().string());
        } else {
            files.push_back(argv[i]);
        }
    }
    for (const auto& path : files) {
        std::ifstream f(path, std::ios::binary);
        std::vector<std::uint8_t> input((std::istreambuf_iterator<char>(f)), {});
        LLVMFuzzerTestOneInput(input.data(), input.size());
        for (int m = 0; m < mutations && !input.empty(); ++m) {
            auto copy = input;
            const int edits = 1 + static_cast<int>(rng() % 4);
            for (int e = 0; e < edits; ++e) copy[rng() % copy.size()] = static_cast<std::uint8_t>(rng());
            if (rng() % 4 == 0) copy.resize(rng() % copy.size());
            LLVMFuzzerTestOneInput(copy.data(), copy.size());
        }
    }
    std::printf("fuzz driver: %zu files, %d mutations each\n", files.size(), mutations);
    return 0;
}
