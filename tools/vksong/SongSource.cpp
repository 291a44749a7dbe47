#include "SongSource.h"

#include "Arrangement.h"
#include "midi/Smf.h"
#include "song/Utf.h"

#include <cmath>
#include <map>
#include <sstream>

namespace vksong {
namespace {

using vokaran::SongData;
using vokaran::SongPart;

struct SourceError {
    int line;
    std::string message;
};

std::vector<std::string> splitWords(const std::string& s) {
    std::vector<std::string> out;
    std::istringstream in(s);
    std::string w;
    while (in >> w) out.push_back(w);
    return out;
}

std::string trim(const std::string& s) {
    const auto b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

bool parseNumber(const std::string& s, double& out) {
    std::istringstream in(s);
    in.imbue(std::locale::classic());
    return (in >> out) && in.eof();
}

// Pitch name "C4", "F#3", "Bb4" to a MIDI note number.
std::optional<int> parsePitchName(const std::string& s) {
    if (s.size() < 2) return std::nullopt;
    static const std::map<char, int> base = {{'C', 0}, {'D', 2}, {'E', 4}, {'F', 5}, {'G', 7}, {'A', 9}, {'B', 11}};
    auto it = base.find(s[0]);
    if (it == base.end()) return std::nullopt;
    int pc = it->second;
    std::size_t i = 1;
    if (s[i] == '#') { ++pc; ++i; } else if (s[i] == 'b') { --pc; ++i; }
    if (i >= s.size()) return std::nullopt;
    double oct;
    if (!parseNumber(s.substr(i), oct) || oct != std::floor(oct) || oct < 0 || oct > 8) return std::nullopt;
    return 12 * (int(oct) + 1) + pc;
}

bool isPunctuation(char32_t c) {
    if (c < 0x80) return !std::isalnum(static_cast<int>(c)) && c != '\'';
    return (c >= 0x3000 && c <= 0x303F) || (c >= 0xFF00 && c <= 0xFF0F) || (c >= 0xFF1A && c <= 0xFF20) ||
           (c >= 0x2000 && c <= 0x206F) || c == 0xFF5E;
}

struct Word {
    std::u16string text;
    int charPos;
};

// The words of a lyric line: each CJK character is a word; a run of Latin letters or digits
// is one word; spaces and punctuation separate words.
std::vector<Word> lineWords(const std::u32string& text) {
    std::vector<Word> words;
    std::size_t unitPos = 0;
    std::u32string latin;
    std::size_t latinPos = 0;
    auto flush = [&] {
        if (!latin.empty()) words.push_back({vokaran::utf32ToUtf16(latin), int(latinPos)});
        latin.clear();
    };
    for (char32_t c : text) {
        const std::size_t units = c >= 0x10000 ? 2 : 1;
        if (c < 0x80 && (std::isalnum(static_cast<int>(c)) || c == '\'')) {
            if (latin.empty()) latinPos = unitPos;
            latin.push_back(c);
        } else {
            flush();
            if (!isPunctuation(c) && c != ' ' && c != '\t') words.push_back({vokaran::utf32ToUtf16(std::u32string(1, c)), int(unitPos)});
        }
        unitPos += units;
    }
    flush();
    return words;
}

struct NoteToken {
    bool rest = false;
    bool slur = false;
    int pitch = 0;
    double beats = 1;
};

std::optional<NoteToken> parseNoteToken(const std::string& tok, int tonic, std::string& why) {
    static constexpr int kScale[] = {0, 2, 4, 5, 7, 9, 11};
    NoteToken n;
    std::size_t i = 0;
    if (i < tok.size() && tok[i] == '~') { n.slur = true; ++i; }
    int accidental = 0;
    while (i < tok.size() && (tok[i] == '#' || tok[i] == 'b')) accidental += tok[i++] == '#' ? 1 : -1;
    if (i >= tok.size() || tok[i] < '0' || tok[i] > '7') {
        why = "expected a note digit 0-7";
        return std::nullopt;
    }
    const int degree = tok[i++] - '0';
    int octave = 0;
    while (i < tok.size() && (tok[i] == '\'' || tok[i] == ',')) octave += tok[i++] == '\'' ? 1 : -1;
    int dashes = 0, halves = 0;
    bool dot = false;
    while (i < tok.size() && tok[i] == '-') { ++dashes; ++i; }
    while (i < tok.size() && tok[i] == '_') { ++halves; ++i; }
    if (i < tok.size() && tok[i] == '.') { dot = true; ++i; }
    if (i != tok.size()) {
        why = "unexpected \"" + tok.substr(i) + "\"";
        return std::nullopt;
    }
    if (dashes && halves) {
        why = "a note cannot both lengthen (-) and shorten (_)";
        return std::nullopt;
    }
    if (dashes > 15 || halves > 4) {
        why = "a note lasts 1/16 to 16 beats";
        return std::nullopt;
    }
    n.beats = (1 + dashes) / double(1 << halves) * (dot ? 1.5 : 1.0);
    if (degree == 0) {
        if (n.slur || accidental || octave) {
            why = "a rest takes no slur, accidental or octave mark";
            return std::nullopt;
        }
        n.rest = true;
        return n;
    }
    n.pitch = tonic + kScale[degree - 1] + accidental + 12 * octave;
    if (n.pitch < 0 || n.pitch > 127) {
        why = "pitch outside the MIDI range";
        return std::nullopt;
    }
    return n;
}

struct PendingLine {
    int sourceLine = 0;
    std::string text;
    bool chorus = false;
    std::vector<std::string> pinyin;
    bool havePinyin = false;
    std::vector<std::pair<NoteToken, int>> notes;  // with their source line
    std::uint32_t countIn = 0;
};

class Compiler {
public:
    Compiler(const std::string& text, const std::string& name) : text_(text), name_(name) {}

    CompileResult run(const std::vector<std::uint8_t>* arrangement) {
        CompileResult r;
        try {
            parse();
            finishSection();
            if (arr_.sections.empty()) throw SourceError{lineNo_, "the song has no section"};
            if (song_.name.empty()) throw SourceError{0, "no title given"};
            for (auto& p : song_.parts)
                if (p.lines.empty()) throw SourceError{0, "part " + std::to_string(p.number) + " sings no line"};
            showLinesAhead();
            arr_.tempo = tempo_;
            arr_.meter = meter_;
            const double endBeats = arr_.totalBeats();
            // Engine times are 32-bit signed in the module's records: keep far below that.
            if (endBeats * 60.0 / tempo_ > 30 * 60) throw SourceError{0, "the song is longer than 30 minutes"};
            // The song ends half a second after its last bar, so the final chord fades out.
            song_.songEnd = ticks(endBeats) + vokaran::kEngineTicksPerSecond / 2;
            if (arrangement) {
                auto parsed = vokaran::parseSmf(*arrangement);
                if (!parsed.ok) throw SourceError{0, "arrangement: " + parsed.error};
                song_.midi = *arrangement;
            } else {
                song_.midi = renderArrangement(arr_);
            }
        } catch (const SourceError& e) {
            r.error = name_ + ":" + std::to_string(e.line) + ": " + e.message;
            return r;
        }
        r.song = std::move(song_);
        return r;
    }

private:
    // How long the first line of a part shows before it is sung.
    static constexpr std::uint32_t kFirstLineAhead = 3 * vokaran::kEngineTicksPerSecond;

    // A line's begin is when it appears on its row, ahead of its first word: from the moment
    // the line before it in its part is sung (so the singer reads the next line on the other
    // row while singing the current one), the first line of a part a few seconds ahead. It never
    // appears while another line of either part is still shown on the same row: the lyrics
    // window shows one line per row.
    void showLinesAhead() {
        std::vector<std::vector<std::uint32_t>> sung;
        for (const auto& p : song_.parts) {
            sung.emplace_back();
            for (const auto& l : p.lines) sung.back().push_back(l.begin);
        }
        for (std::size_t pi = 0; pi < song_.parts.size(); ++pi) {
            auto& lines = song_.parts[pi].lines;
            for (std::size_t i = 0; i < lines.size(); ++i) {
                const std::uint32_t begin = sung[pi][i];
                std::uint32_t shown = i == 0 ? (begin > kFirstLineAhead ? begin - kFirstLineAhead : 0) : sung[pi][i - 1];
                for (std::size_t pj = 0; pj < song_.parts.size(); ++pj)
                    for (std::size_t j = 0; j < song_.parts[pj].lines.size(); ++j) {
                        const auto& other = song_.parts[pj].lines[j];
                        if ((pj == pi && j == i) || other.row != lines[i].row) continue;
                        if (sung[pj][j] < begin && other.end >= shown) shown = std::min(begin, other.end + 1);
                    }
                lines[i].begin = shown;
            }
        }
    }

    std::uint32_t ticks(double beats) const {
        return static_cast<std::uint32_t>(std::llround(beats * 60.0 / tempo_ * vokaran::kEngineTicksPerSecond));
    }

    [[noreturn]] void fail(const std::string& msg) { throw SourceError{lineNo_, msg}; }

    SongPart& part(int number) {
        for (auto& p : song_.parts)
            if (p.number == number) return p;
        fail("part " + std::to_string(number) + " is not declared");
    }

    void parse() {
        std::istringstream in(text_);
        std::string raw;
        while (std::getline(in, raw)) {
            ++lineNo_;
            if (auto c = raw.find("//"); c != std::string::npos) raw.erase(c);
            const std::string line = trim(raw);
            if (line.empty()) continue;
            const auto sp = line.find_first_of(" \t");
            const std::string key = line.substr(0, sp);
            const std::string rest = sp == std::string::npos ? "" : trim(line.substr(sp));
            if (!vokaran::decodeUtf8(line)) fail("the line is not valid UTF-8");
            for (char c : line)
                if (static_cast<unsigned char>(c) < 0x20 && c != '\t') fail("the line holds a control character");
            directive(key, rest);
        }
        flushLine();
    }

    void needHeader(const std::string& key) {
        if (inBody_) fail("\"" + key + "\" belongs before the first section");
    }

    void directive(const std::string& key, const std::string& rest) {
        auto words = splitWords(rest);
        if (key == "title" || key == "singer") {
            needHeader(key);
            auto u = vokaran::utf8ToUtf16(rest);
            if (rest.empty() || u->size() > 60) fail(key + " must have 1 to 60 characters");
            (key == "title" ? song_.name : song_.singer) = *u;
        } else if (key == "tempo") {
            needHeader(key);
            if (words.size() != 1 || !parseNumber(words[0], tempo_) || tempo_ < 30 || tempo_ > 240)
                fail("tempo must be a number of beats per minute between 30 and 240");
        } else if (key == "meter") {
            needHeader(key);
            double m;
            if (words.size() != 1 || !parseNumber(words[0], m) || m != std::floor(m) || m < 2 || m > 12)
                fail("meter must be the number of beats in a bar, 2 to 12");
            meter_ = int(m);
        } else if (key == "key") {
            needHeader(key);
            auto p = words.size() == 1 ? parsePitchName(words[0]) : std::nullopt;
            if (!p) fail("key must be a pitch such as F4 or Bb3 (the pitch of \"1\")");
            tonic_ = *p;
        } else if (key == "style") {
            needHeader(key);
            if (words.size() != 1 || !parseStyle(words[0], arr_.style)) fail("style must be ballad, pop, waltz or march");
        } else if (key == "instrument") {
            needHeader(key);
            double program;
            if (words.size() != 2 || !parseNumber(words[1], program) || program < 0 || program > 127 || program != std::floor(program))
                fail("instrument takes a role (melody, lead, chords, pad, bass) and a program 0-127");
            if (!arr_.setProgram(words[0], int(program))) fail("unknown instrument role \"" + words[0] + "\"");
        } else if (key == "part") {
            needHeader(key);
            double n;
            if (words.size() != 2 || !parseNumber(words[0], n) || (n != 1 && n != 2)) fail("part takes 1 or 2 and a voice type");
            static const std::map<std::string, int> types = {{"male", 1}, {"female", 2}, {"chorus", 3}};
            auto t = types.find(words[1]);
            if (t == types.end()) fail("voice type must be male, female or chorus");
            for (auto& p : song_.parts)
                if (p.number == int(n)) fail("part " + words[0] + " declared twice");
            SongPart p;
            p.number = int(n);
            p.voiceType = t->second;
            song_.parts.push_back(p);
            if (song_.parts.size() == 2 && song_.parts[0].number == 2) std::swap(song_.parts[0], song_.parts[1]);
        } else if (key == "section") {
            if (song_.parts.empty()) fail("declare the parts (\"part 1 male\") before the first section");
            finishSection();
            inBody_ = true;
            section_ = Section{};
            section_.name = rest;
            section_.startBeat = arr_.totalBeats();
            sectionLine_ = lineNo_;
            singing_ = 0;
        } else {
            if (!inBody_) fail("\"" + key + "\" belongs inside a section");
            body(key, rest, words);
        }
    }

    void body(const std::string& key, const std::string& rest, const std::vector<std::string>& words) {
        if (key == "chords") {
            parseChords(words);
        } else if (key == "lead") {
            for (const auto& w : words) {
                if (w == "|") continue;
                std::string why;
                auto n = parseNoteToken(w, tonic_, why);
                if (!n || n->slur) fail("lead note \"" + w + "\": " + (n ? "slurs belong to sung notes" : why));
                if (!n->rest) section_.lead.push_back({section_.leadCursor, n->beats, n->pitch});
                section_.leadCursor += n->beats;
            }
        } else if (key == "sing") {
            flushLine();
            double p = 0, at = 0;
            if (words.empty() || !parseNumber(words[0], p) || (p != 1 && p != 2)) fail("sing takes a part number, 1 or 2");
            if (words.size() == 3 && words[1] == "at") {
                if (!parseNumber(words[2], at) || at < 0) fail("\"at\" takes a beat count from the section start");
            } else if (words.size() != 1) {
                fail("sing takes a part number and optionally \"at BEATS\"");
            }
            part(int(p));
            singing_ = int(p);
            cursor_[singing_ - 1] = section_.startBeat + at;
        } else if (key == "count") {
            flushLine();
            double beats;
            if (words.size() != 1 || !parseNumber(words[0], beats) || beats < 1 || beats > 16 || beats != std::floor(beats))
                fail("count takes a number of beats, 1 to 16");
            pendingCount_ = std::uint32_t(beats);
        } else if (key == "line" || key == "line*") {
            flushLine();
            if (!singing_) fail("say which part sings (\"sing 1\") before its lines");
            if (rest.empty()) fail("a line needs its text");
            pending_ = PendingLine{};
            pending_->sourceLine = lineNo_;
            pending_->text = rest;
            pending_->chorus = key == "line*";
            pending_->countIn = pendingCount_;
            pendingCount_ = 0;
        } else if (key == "pinyin") {
            if (!pending_) fail("pinyin must follow a line");
            if (pending_->havePinyin) fail("the line already has its pinyin");
            pending_->pinyin = words;
            pending_->havePinyin = true;
        } else if (key == "notes") {
            if (!pending_) fail("notes must follow a line");
            for (const auto& w : words) {
                if (w == "|") continue;
                std::string why;
                auto n = parseNoteToken(w, tonic_, why);
                if (!n) fail("note \"" + w + "\": " + why);
                pending_->notes.push_back({*n, lineNo_});
            }
        } else {
            fail("unknown directive \"" + key + "\"");
        }
    }

    void parseChords(const std::vector<std::string>& words) {
        // Bars are separated by "|"; the chords of one bar share its beats equally, unless a
        // chord says its beats with ":N".
        std::vector<std::vector<std::string>> bars(1);
        for (const auto& w : words) {
            if (w == "|") bars.emplace_back();
            else bars.back().push_back(w);
        }
        for (auto& bar : bars) {
            if (bar.empty()) continue;
            double explicitBeats = 0;
            int implicitCount = 0;
            std::vector<std::pair<Chord, double>> chords;
            for (const auto& tok : bar) {
                std::string sym = tok;
                double beats = -1;
                if (auto c = tok.find(':'); c != std::string::npos) {
                    sym = tok.substr(0, c);
                    if (!parseNumber(tok.substr(c + 1), beats) || beats <= 0) fail("chord \"" + tok + "\": bad beat count");
                    explicitBeats += beats;
                } else {
                    ++implicitCount;
                }
                auto chord = parseChord(sym);
                if (!chord) fail("unknown chord \"" + sym + "\"");
                chords.push_back({*chord, beats});
            }
            const double left = meter_ - explicitBeats;
            if (left < -1e-9 || (implicitCount == 0 && std::abs(left) > 1e-9) || (implicitCount > 0 && left <= 1e-9))
                fail("the chords of a bar must fill its " + std::to_string(meter_) + " beats");
            for (auto& [chord, beats] : chords) {
                if (beats < 0) beats = left / implicitCount;
                section_.chords.push_back({chord, beats});
            }
        }
    }

    void flushLine() {
        if (!pending_) return;
        PendingLine pl = std::move(*pending_);
        pending_.reset();
        const int saved = lineNo_;
        lineNo_ = pl.sourceLine;
        auto& p = part(singing_);
        const auto text32 = *vokaran::decodeUtf8(pl.text);
        const auto text16 = vokaran::utf32ToUtf16(text32);
        if (text16.size() > vokaran::kMaxLineTextUnits)
            fail("the line is longer than " + std::to_string(vokaran::kMaxLineTextUnits) + " UTF-16 units");
        const auto words = lineWords(text32);
        if (words.empty()) fail("the line has no words");
        if (!pl.havePinyin) fail("the line has no pinyin");
        if (pl.pinyin.size() != words.size())
            fail("the line has " + std::to_string(words.size()) + " words but " + std::to_string(pl.pinyin.size()) +
                 " pinyin syllables");
        if (pl.notes.empty()) fail("the line has no notes");
        const int lineIndex = static_cast<int>(p.lines.size());
        double& cursor = cursor_[singing_ - 1];
        std::vector<vokaran::SongWord> newWords;
        int syllable = -1;
        bool first = true;
        std::uint32_t lineBegin = 0, lineEnd = 0;
        for (const auto& [n, src] : pl.notes) {
            lineNo_ = src;
            const double begin = cursor;
            cursor += n.beats;
            if (n.rest) continue;
            if (n.slur) {
                if (syllable < 0) fail("a slur (~) cannot start a line");
            } else {
                ++syllable;
                if (syllable >= int(words.size()))
                    fail("more sung notes than words (" + std::to_string(words.size()) + ")");
                vokaran::SongWord w;
                w.begin = ticks(begin);
                w.line = lineIndex;
                w.charPos = words[syllable].charPos;
                w.text = words[syllable].text;
                auto py = vokaran::utf8ToUtf16(pl.pinyin[syllable]);
                if (!py || py->size() > vokaran::kMaxPhoneticUnits) fail("pinyin \"" + pl.pinyin[syllable] + "\" is too long");
                w.phonetic = *py;
                if (w.text.size() > vokaran::kMaxWordTextUnits) fail("a word is longer than 31 UTF-16 units");
                newWords.push_back(w);
            }
            auto& w = newWords.back();
            w.end = ticks(cursor);
            vokaran::SongNote note;
            note.begin = ticks(begin);
            note.end = ticks(cursor);
            note.note = n.pitch;
            note.extra = {static_cast<std::int32_t>(p.words.size() + newWords.size() - 1), lineIndex, 96, n.slur ? 0 : 1};
            if (!p.notes.empty() && note.begin < p.notes.back().end)
                fail("this note overlaps the part's previous note");
            p.notes.push_back(note);
            section_.melody[singing_ - 1].push_back({begin - section_.startBeat, n.beats, n.pitch});
            if (first) lineBegin = note.begin;
            first = false;
            lineEnd = note.end;
        }
        lineNo_ = pl.sourceLine;
        if (syllable + 1 != int(words.size()))
            fail("the line has " + std::to_string(words.size()) + " words but " + std::to_string(syllable + 1) + " sung notes");
        vokaran::SongLine l;
        l.text = text16;
        l.chorus = pl.chorus;
        l.row = (lineIndex % 2) + 1;
        l.begin = lineBegin;
        l.end = lineEnd;
        p.lines.push_back(l);
        p.words.insert(p.words.end(), newWords.begin(), newWords.end());
        if (pl.countIn) {
            const double startBeat = double(lineBegin) / vokaran::kEngineTicksPerSecond * tempo_ / 60.0 - pl.countIn;
            if (startBeat < -1e-6) fail("the count-in would start before the song");
            // The engine hands a count-in out beat by beat: at the start of each beat the
            // number of beats still to come, then a closing record with none where the line
            // begins. The lyrics window shows the record whose time has come until the next.
            const double beatTicks = 60.0 / tempo_ * vokaran::kEngineTicksPerSecond;
            for (std::uint32_t left = pl.countIn; left >= 1; --left)
                p.countIns.push_back({static_cast<std::uint32_t>(std::llround(lineBegin - left * beatTicks)), left});
            p.countIns.push_back({lineBegin, 0});
        }
        lineNo_ = saved;
    }

    void finishSection() {
        flushLine();
        if (!inBody_) return;
        const int saved = lineNo_;
        lineNo_ = sectionLine_;
        if (section_.chords.empty()) fail("section \"" + section_.name + "\" has no chords");
        const double length = section_.lengthBeats();
        for (int p = 0; p < 2; ++p)
            for (const auto& n : section_.melody[p])
                if (n.start + n.beats > length + 1e-9)
                    fail("part " + std::to_string(p + 1) + " sings past the end of section \"" + section_.name + "\"");
        if (section_.leadCursor > length + 1e-9) fail("the lead runs past the end of section \"" + section_.name + "\"");
        arr_.sections.push_back(section_);
        section_ = Section{};
        lineNo_ = saved;
        inBody_ = false;
    }

    const std::string& text_;
    std::string name_;
    int lineNo_ = 0;
    SongData song_;
    Arrangement arr_;
    double tempo_ = 90;
    int meter_ = 4;
    int tonic_ = 60;
    bool inBody_ = false;
    Section section_;
    int sectionLine_ = 0;
    int singing_ = 0;
    double cursor_[2] = {0, 0};
    std::uint32_t pendingCount_ = 0;
    std::optional<PendingLine> pending_;
};

std::string utf8(std::u16string_view s) { return vokaran::utf16ToUtf8(s); }

double seconds(std::uint32_t t) { return double(t) / vokaran::kEngineTicksPerSecond; }

} // namespace

CompileResult compileSongSource(const std::string& text, const std::string& name,
                                const std::vector<std::uint8_t>* arrangement) {
    return Compiler(text, name).run(arrangement);
}

std::string dumpSong(const vokaran::SongData& song) {
    std::ostringstream o;
    o.imbue(std::locale::classic());
    o.setf(std::ios::fixed);
    o.precision(3);
    o << "title  " << utf8(song.name) << "\nsinger " << utf8(song.singer) << "\nend    " << seconds(song.songEnd)
      << " s\n";
    auto midi = vokaran::parseSmf(song.midi);
    if (midi.ok) {
        int perChannel[16] = {};
        for (const auto& e : midi.sequence.events)
            if (e.kind() == 0x90 && e.data2 > 0) ++perChannel[e.channel()];
        o << "midi   " << song.midi.size() << " bytes, " << midi.sequence.events.size() << " events, "
          << midi.sequence.lastEventSeconds << " s; notes per channel:";
        for (int c = 0; c < 16; ++c)
            if (perChannel[c]) o << " " << c + 1 << "=" << perChannel[c];
        o << "\n";
    } else {
        o << "midi   invalid: " << midi.error << "\n";
    }
    static const char* types[] = {"?", "male", "female", "chorus"};
    for (const auto& p : song.parts) {
        o << "\npart " << p.number << " " << (p.voiceType >= 1 && p.voiceType <= 3 ? types[p.voiceType] : "?") << " ("
          << p.voiceType << "): " << p.lines.size() << " lines, " << p.words.size() << " words, " << p.notes.size()
          << " notes\n";
        for (const auto& c : p.countIns) o << "  count-in " << c.beats << " beats to come at " << seconds(c.end) << "\n";
        for (std::size_t i = 0; i < p.lines.size(); ++i) {
            const auto& l = p.lines[i];
            o << "  line " << i << " row " << l.row << (l.chorus ? " chorus" : "") << " " << seconds(l.begin) << "-"
              << seconds(l.end) << " " << utf8(l.text) << "\n   ";
            for (const auto& w : p.words)
                if (w.line == int(i)) o << " " << utf8(w.text) << "(" << utf8(w.phonetic) << "@" << w.charPos << ")";
            o << "\n";
        }
        o << "  notes:";
        for (const auto& n : p.notes) o << " " << n.note << "@" << seconds(n.begin);
        o << "\n";
    }
    return o.str();
}

} // namespace vksong
