#include "scoring/ScoreModel.h"

#include "midi/Smf.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <utility>

namespace vokaran {
namespace {

double seconds(std::uint32_t ticks) { return double(ticks) / kEngineTicksPerSecond; }

struct Candidate {
    ScoreWord word;
    int lineKey;  // the line's index within its part
    std::vector<ScoreNote> notes;
};

// Words of one part that the lyrics model keeps, each with its guide notes.
std::vector<Candidate> partWords(const SongPart& p) {
    std::vector<std::vector<const SongNote*>> byWord(p.words.size());
    for (const auto& n : p.notes) {
        const int w = n.extra[0];
        if (n.end > n.begin && w >= 0 && std::size_t(w) < p.words.size()) byWord[std::size_t(w)].push_back(&n);
    }
    std::vector<const SongNote*> sortedNotes;
    for (const auto& n : p.notes)
        if (n.end > n.begin) sortedNotes.push_back(&n);
    std::sort(sortedNotes.begin(), sortedNotes.end(), [](auto* a, auto* b) { return a->begin < b->begin; });

    std::vector<Candidate> out;
    for (std::size_t i = 0; i < p.words.size(); ++i) {
        const auto& w = p.words[i];
        if (w.end <= w.begin || w.line < 0 || std::size_t(w.line) >= p.lines.size()) continue;
        Candidate c;
        c.word.begin = seconds(w.begin);
        c.word.end = seconds(w.end);
        c.word.part = p.number;
        c.lineKey = w.line;
        for (const SongNote* n : byWord[i]) c.notes.push_back({seconds(n->begin), seconds(n->end), n->note});
        if (c.notes.empty()) {
            // No notes name the word: the notes sounding under it, cut to the word.
            auto it = std::lower_bound(sortedNotes.begin(), sortedNotes.end(), w.end,
                                       [](const SongNote* n, std::uint32_t t) { return n->begin < t; });
            for (auto j = sortedNotes.begin(); j != it; ++j)
                if ((*j)->end > w.begin)
                    c.notes.push_back({seconds(std::max((*j)->begin, w.begin)), seconds(std::min((*j)->end, w.end)), (*j)->note});
        }
        if (c.notes.empty()) continue;
        std::sort(c.notes.begin(), c.notes.end(), [](const ScoreNote& a, const ScoreNote& b) { return a.begin < b.begin; });
        out.push_back(std::move(c));
    }
    return out;
}

// Disjoint, sorted time spans covered by a set of words.
std::vector<std::pair<double, double>> spans(const std::vector<Candidate>& words) {
    std::vector<std::pair<double, double>> s;
    for (const auto& c : words) s.push_back({c.word.begin, c.word.end});
    std::sort(s.begin(), s.end());
    std::vector<std::pair<double, double>> merged;
    for (const auto& x : s) {
        if (!merged.empty() && x.first <= merged.back().second) merged.back().second = std::max(merged.back().second, x.second);
        else merged.push_back(x);
    }
    return merged;
}

// The notes of the MIDI's accompaniment channels: every channel but the guide melody's (1 and 2)
// and the drums' (10). A note sounds from its note-on to the note-off (or a note-on of velocity 0)
// of the same key; one still sounding at the end lasts to the last event.
std::vector<ScoreNote> accompanimentNotes(const std::vector<std::uint8_t>& midi) {
    std::vector<ScoreNote> out;
    const auto parsed = parseSmf(midi);
    if (!parsed.ok) return out;
    constexpr int kGuideChannels = 2, kDrums = 9;
    std::array<std::array<double, 128>, 16> on;
    for (auto& ch : on) ch.fill(-1);
    auto close = [&](int ch, int key, double t) {
        double& b = on[std::size_t(ch)][std::size_t(key)];
        if (b >= 0 && t > b) out.push_back({b, t, key});
        b = -1;
    };
    for (const auto& e : parsed.sequence.events) {
        const int ch = e.channel();
        if (ch < kGuideChannels || ch == kDrums) continue;
        if (e.kind() == 0x90 && e.data2 > 0) {
            close(ch, e.data1, e.seconds);  // a repeated key ends the note before
            on[std::size_t(ch)][e.data1] = e.seconds;
        } else if (e.kind() == 0x80 || e.kind() == 0x90) {
            close(ch, e.data1, e.seconds);
        }
    }
    for (int ch = 0; ch < 16; ++ch)
        for (int key = 0; key < 128; ++key) close(ch, key, parsed.sequence.lastEventSeconds);
    std::sort(out.begin(), out.end(), [](const ScoreNote& a, const ScoreNote& b) { return a.begin < b.begin; });
    return out;
}

bool overlaps(const std::vector<std::pair<double, double>>& s, double b, double e) {
    auto it = std::lower_bound(s.begin(), s.end(), std::make_pair(e, e));  // first span starting at or after e
    return it != s.begin() && std::prev(it)->second > b;
}

} // namespace

std::shared_ptr<const ScoreSong> buildScoreSong(const SongData& song) {
    auto out = std::make_shared<ScoreSong>();
    std::vector<Candidate> all;
    std::vector<std::pair<double, double>> firstSpans;
    for (int number : {1, 2}) {
        const SongPart* p = song.part(number);
        if (!p) continue;
        if (number == 1) out->voiceType = p->voiceType;
        for (const auto& n : p->notes)
            if (n.end > n.begin) out->guide.push_back({seconds(n.begin), seconds(n.end), n.note});
        auto words = partWords(*p);
        if (number == 1) {
            firstSpans = spans(words);
        } else {
            std::erase_if(words, [&](const Candidate& c) { return overlaps(firstSpans, c.word.begin, c.word.end); });
        }
        for (auto& c : words) all.push_back(std::move(c));
    }
    std::stable_sort(all.begin(), all.end(), [](const Candidate& a, const Candidate& b) {
        return a.word.begin != b.word.begin ? a.word.begin < b.word.begin : a.word.part < b.word.part;
    });

    std::sort(out->guide.begin(), out->guide.end(), [](const ScoreNote& a, const ScoreNote& b) { return a.begin < b.begin; });
    out->accompaniment = accompanimentNotes(song.midi);

    std::map<std::pair<int, int>, int> lineOf;  // (part, line within part) -> index
    std::vector<ScoreLine> lines;
    for (std::size_t i = 0; i < all.size(); ++i) {
        auto& c = all[i];
        const auto key = std::make_pair(c.word.part, c.lineKey);
        auto [it, added] = lineOf.try_emplace(key, int(lines.size()));
        if (added) lines.push_back({c.word.part, 0, 0});
        auto& l = lines[std::size_t(it->second)];
        l.lastWord = int(i);
        ++l.wordCount;
        c.word.line = it->second;
        c.word.firstNote = int(out->notes.size());
        c.word.noteCount = int(c.notes.size());
        for (const auto& n : c.notes) {
            out->notes.push_back(n);
            out->lowNote = out->lowNote < 0 ? n.note : std::min(out->lowNote, n.note);
            out->highNote = std::max(out->highNote, n.note);
        }
        out->words.push_back(c.word);
    }
    // Lines in the order their last words are scored, the words pointing at the new indices.
    std::vector<int> order(lines.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = int(i);
    std::sort(order.begin(), order.end(), [&](int a, int b) { return lines[std::size_t(a)].lastWord < lines[std::size_t(b)].lastWord; });
    std::vector<int> newIndex(lines.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        newIndex[std::size_t(order[i])] = int(i);
        out->lines.push_back(lines[std::size_t(order[i])]);
    }
    for (auto& w : out->words) w.line = newIndex[std::size_t(w.line)];
    return out;
}

int singerCentre(int level, bool male) {
    level = std::clamp(level, 1, 5);
    const int maleCentre = 50 + 2 * level;  // D3+: a low bass (E3) .. a high tenor (C4)
    return male ? maleCentre : maleCentre + 7;
}

int fitKey(const ScoreSong& song, int level, bool male) {
    if (song.lowNote < 0) return 0;
    const double melodyCentre = (song.lowNote + song.highNote) / 2.0;
    const long d = std::lround(singerCentre(level, male) - melodyCentre);
    // Any octave: the singer sings the melody where the voice sits.
    return static_cast<int>(((d + 6) % 12 + 12) % 12 - 6);
}

} // namespace vokaran
