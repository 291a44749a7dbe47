#include "midi/Smf.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace vokaran {
namespace {

struct RawEvent {
    std::uint64_t tick;
    int track;
    std::size_t seq;
    bool tempo;
    std::uint32_t usPerQuarter;
    MidiEvent ev;
};

std::uint32_t be32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

bool readVlq(const std::uint8_t* data, std::size_t size, std::size_t& pos, std::uint32_t& out) {
    out = 0;
    for (int i = 0; i < 4; ++i) {
        if (pos >= size) return false;
        const std::uint8_t b = data[pos++];
        out = (out << 7) | (b & 0x7F);
        if (!(b & 0x80)) return true;
    }
    return false;
}

MidiParseResult fail(std::string msg) {
    MidiParseResult r;
    r.error = std::move(msg);
    return r;
}

} // namespace

MidiParseResult parseSmf(std::span<const std::uint8_t> bytes) {
    const auto* d = bytes.data();
    const std::size_t size = bytes.size();
    if (size < 14 || std::memcmp(d, "MThd", 4) != 0) return fail("MIDI: no MThd header");
    const std::uint32_t hlen = be32(d + 4);
    if (hlen < 6 || hlen > size - 8) return fail("MIDI: header length invalid");
    const int format = d[8] << 8 | d[9];
    const int ntracks = d[10] << 8 | d[11];
    const int division = d[12] << 8 | d[13];
    if (format > 1) return fail("MIDI: format " + std::to_string(format) + " is not supported");
    if (division & 0x8000) return fail("MIDI: SMPTE time division is not supported");
    if (division == 0) return fail("MIDI: division is zero");
    if (ntracks == 0) return fail("MIDI: no tracks");

    std::vector<RawEvent> raw;
    std::size_t pos = 8 + hlen;
    std::size_t seq = 0;
    for (int t = 0; t < ntracks; ++t) {
        if (size - pos < 8) return fail("MIDI: track " + std::to_string(t) + " missing");
        if (std::memcmp(d + pos, "MTrk", 4) != 0) return fail("MIDI: track " + std::to_string(t) + " has no MTrk tag");
        const std::uint32_t tlen = be32(d + pos + 4);
        pos += 8;
        if (tlen > size - pos) return fail("MIDI: track " + std::to_string(t) + " runs past the end");
        const std::uint8_t* td = d + pos;
        std::size_t tp = 0;
        std::uint64_t tick = 0;
        std::uint8_t running = 0;
        bool ended = false;
        while (tp < tlen && !ended) {
            std::uint32_t delta;
            if (!readVlq(td, tlen, tp, delta)) return fail("MIDI: bad delta time in track " + std::to_string(t));
            tick += delta;
            if (tp >= tlen) return fail("MIDI: event cut short in track " + std::to_string(t));
            std::uint8_t status = td[tp];
            if (status & 0x80) {
                ++tp;
            } else {
                if (!running) return fail("MIDI: running status without a status in track " + std::to_string(t));
                status = running;
            }
            RawEvent re{tick, t, seq++, false, 0, {}};
            if (status == 0xFF) {
                // Meta events keep the running status: files in the wild rely on it.
                if (tp >= tlen) return fail("MIDI: meta event cut short");
                const std::uint8_t type = td[tp++];
                std::uint32_t len;
                if (!readVlq(td, tlen, tp, len) || len > tlen - tp) return fail("MIDI: meta event length invalid");
                if (type == 0x51) {
                    if (len != 3) return fail("MIDI: tempo event with length " + std::to_string(len));
                    re.tempo = true;
                    re.usPerQuarter = std::uint32_t(td[tp]) << 16 | std::uint32_t(td[tp + 1]) << 8 | td[tp + 2];
                    if (re.usPerQuarter == 0) return fail("MIDI: tempo of zero");
                    raw.push_back(re);
                } else if (type == 0x2F) {
                    ended = true;
                    re.ev.status = 0;  // end of track: kept for the song length only
                    raw.push_back(re);
                }
                tp += len;
            } else if (status == 0xF0 || status == 0xF7) {
                running = 0;
                std::uint32_t len;
                if (!readVlq(td, tlen, tp, len) || len > tlen - tp) return fail("MIDI: sysex length invalid");
                tp += len;
            } else if (status >= 0xF1) {
                return fail("MIDI: system message 0x" + std::to_string(status) + " in a file");
            } else {
                running = status;
                const int kind = status & 0xF0;
                const int n = (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
                if (tlen - tp < static_cast<std::size_t>(n)) return fail("MIDI: channel event cut short");
                re.ev.status = status;
                re.ev.data1 = td[tp] & 0x7F;
                re.ev.data2 = n == 2 ? (td[tp + 1] & 0x7F) : 0;
                if ((td[tp] & 0x80) || (n == 2 && (td[tp + 1] & 0x80))) return fail("MIDI: data byte with the high bit set");
                tp += n;
                raw.push_back(re);
            }
            if (raw.size() > kMaxMidiEvents) return fail("MIDI: more than 2,000,000 events");
        }
        pos += tlen;
    }

    std::stable_sort(raw.begin(), raw.end(), [](const RawEvent& a, const RawEvent& b) {
        if (a.tick != b.tick) return a.tick < b.tick;
        if (a.tempo != b.tempo) return a.tempo;  // tempo first at equal ticks
        return a.seq < b.seq;
    });

    MidiParseResult result;
    result.ok = true;
    auto& out = result.sequence;
    out.events.reserve(raw.size());
    double usPerTick = 500000.0 / division;
    double seconds = 0;
    std::uint64_t lastTick = 0;
    bool firstTempo = true;
    for (const auto& re : raw) {
        seconds += double(re.tick - lastTick) * usPerTick * 1e-6;
        lastTick = re.tick;
        if (re.tempo) {
            usPerTick = double(re.usPerQuarter) / division;
            if (firstTempo && re.tick == 0) out.firstTempoBpm = 60e6 / re.usPerQuarter;
            firstTempo = false;
            continue;
        }
        out.lastEventSeconds = seconds;
        if (re.ev.status == 0) continue;
        MidiEvent ev = re.ev;
        ev.seconds = seconds;
        out.events.push_back(ev);
    }
    return result;
}

std::vector<std::uint8_t> writeSmf(std::vector<SmfWriteEvent> events, std::uint16_t ticksPerQuarter) {
    std::stable_sort(events.begin(), events.end(), [](const SmfWriteEvent& a, const SmfWriteEvent& b) {
        return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
    });
    std::vector<std::uint8_t> trk;
    auto vlq = [&](std::uint32_t v) {
        std::uint8_t buf[5];
        int n = 0;
        buf[n++] = v & 0x7F;
        while (v >>= 7) buf[n++] = 0x80 | (v & 0x7F);
        while (n) trk.push_back(buf[--n]);
    };
    std::uint32_t last = 0;
    for (const auto& e : events) {
        vlq(e.tick - last);
        last = e.tick;
        if (e.status == 0xFF) {
            trk.push_back(0xFF);
            trk.push_back(e.data1);
            vlq(static_cast<std::uint32_t>(e.metaData.size()));
            trk.insert(trk.end(), e.metaData.begin(), e.metaData.end());
        } else {
            trk.push_back(e.status);
            trk.push_back(e.data1 & 0x7F);
            const int kind = e.status & 0xF0;
            if (kind != 0xC0 && kind != 0xD0) trk.push_back(e.data2 & 0x7F);
        }
    }
    vlq(0);
    trk.insert(trk.end(), {0xFF, 0x2F, 0x00});

    std::vector<std::uint8_t> out = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1,
                                     std::uint8_t(ticksPerQuarter >> 8), std::uint8_t(ticksPerQuarter & 0xFF),
                                     'M', 'T', 'r', 'k'};
    const auto len = static_cast<std::uint32_t>(trk.size());
    for (int i = 3; i >= 0; --i) out.push_back((len >> (8 * i)) & 0xFF);
    out.insert(out.end(), trk.begin(), trk.end());
    return out;
}

} // namespace vokaran
