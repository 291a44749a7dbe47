// vksong: compiles a song source into a song file, and dumps a song file as text.
//   vksong build SOURCE.vksong -o OUT.mic [--midi ARRANGEMENT.mid] [--midi-out OUT.mid]
//   vksong dump SONG.mic
#include "SongSource.h"

#include "song/SongFile.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace {

std::optional<std::vector<std::uint8_t>> readFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    if (!f) return std::nullopt;
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(f), {});
}

bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    // Written beside the target, then renamed, so a failed build never leaves half a file.
    const std::string tmp = path + ".tmp";
    {
        std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
        if (!f) return false;
        f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!f) return false;
    }
    return std::rename(tmp.c_str(), path.c_str()) == 0;
}

int usage() {
    std::cerr << "usage: vksong build SOURCE.vksong -o OUT.mic [--midi ARRANGEMENT.mid] [--midi-out OUT.mid]\n"
                 "       vksong dump SONG.mic\n";
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) return usage();
    const std::string cmd = argv[1];
    if (cmd == "dump") {
        auto bytes = readFile(argv[2]);
        if (!bytes) {
            std::cerr << "vksong: cannot read " << argv[2] << ": " << std::strerror(errno) << "\n";
            return 1;
        }
        auto parsed = vokaran::parseSongFile(*bytes);
        if (!parsed.song) {
            std::cerr << "vksong: " << argv[2] << ": " << parsed.message << "\n";
            return 1;
        }
        std::cout << vksong::dumpSong(*parsed.song);
        return 0;
    }
    if (cmd != "build") return usage();
    std::string source = argv[2], out, midiIn, midiOut;
    for (int i = 3; i < argc; ++i) {
        const std::string a = argv[i];
        if (i + 1 >= argc) return usage();
        if (a == "-o") out = argv[++i];
        else if (a == "--midi") midiIn = argv[++i];
        else if (a == "--midi-out") midiOut = argv[++i];
        else return usage();
    }
    if (out.empty()) return usage();
    auto text = readFile(source);
    if (!text) {
        std::cerr << "vksong: cannot read " << source << ": " << std::strerror(errno) << "\n";
        return 1;
    }
    std::optional<std::vector<std::uint8_t>> arrangement;
    if (!midiIn.empty()) {
        arrangement = readFile(midiIn);
        if (!arrangement) {
            std::cerr << "vksong: cannot read " << midiIn << ": " << std::strerror(errno) << "\n";
            return 1;
        }
    }
    auto result = vksong::compileSongSource(std::string(text->begin(), text->end()), source,
                                            arrangement ? &*arrangement : nullptr);
    if (!result.song) {
        std::cerr << result.error << "\n";
        return 1;
    }
    std::vector<std::uint8_t> bytes;
    try {
        bytes = vokaran::writeSongFile(*result.song);
    } catch (const std::exception& e) {
        std::cerr << source << ": " << e.what() << "\n";
        return 1;
    }
    if (!writeFile(out, bytes)) {
        std::cerr << "vksong: cannot write " << out << ": " << std::strerror(errno) << "\n";
        return 1;
    }
    if (!midiOut.empty() && !writeFile(midiOut, result.song->midi)) {
        std::cerr << "vksong: cannot write " << midiOut << ": " << std::strerror(errno) << "\n";
        return 1;
    }
    return 0;
}
