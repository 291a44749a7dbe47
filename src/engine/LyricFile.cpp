// The ".lyric" file: the lyrics of a performance as they were sung (docs/lyric-file.md).
#include <CEGUI/PropertyHelper.h>
#include <CEGUI/XMLSerializer.h>

#include "AppSet/SetXml.h"
#include "app/TextConvert.h"
#include "engine/CLyricsData.h"
#include "oscompat/Utf.h"

namespace {

CEGUI::String colour(uint32_t argb) {
  return CEGUI::PropertyHelper<CEGUI::Colour>::toString(CEGUI::Colour(argb));
}

void writeLine(CEGUI::XMLSerializer& xml, const CLyricTrack& line) {
  xml.openTag("LyricsTracks")
      .attribute("Txt", guiString(line.GetText()))
      .attribute("TmBegin", xmlFromUInt(line.GetBegin()))
      .attribute("TmEnd", xmlFromUInt(line.GetEnd()))
      .attribute("ColorType", guiString(line.GetColorName()));
  for (const CLyricsScanTrack& word : line.words()) {
    xml.openTag("LyricsScanTrack")
        .attribute("Txt", guiString(word.GetText()))
        .attribute("TmBegin", xmlFromUInt(word.GetBegin()))
        .attribute("TmEnd", xmlFromUInt(word.GetEnd()))
        .closeTag();
  }
  xml.closeTag();
}

void writePart(CEGUI::XMLSerializer& xml, int index, const CLyrics& part) {
  xml.openTag("Lyrics")
      .attribute("Index", xmlFromInt(index))
      .attribute("ColorType", guiString(part.GetName()));
  for (int row = 0; row < CLyrics::kRowCount; ++row) {
    xml.openTag("Channel");
    for (const CLyricTrack& line : part.channel(row)->lines()) writeLine(xml, line);
    xml.closeTag();
  }
  for (const CPlayCount& count : part.playCounts()) {
    xml.openTag("PlayCount")
        .attribute("BeatCount", xmlFromUInt(static_cast<unsigned>(count.GetBeatCount())))
        .attribute("TmEnd", xmlFromUInt(static_cast<unsigned>(count.GetEnd())))
        .closeTag();
  }
  xml.closeTag();
}

}  // namespace

bool CLyricsData::save(const std::wstring& path) const {
  return writeSettingsXml(
      oscompat::utf8FromWide(path),
      [this](CEGUI::XMLSerializer& xml) {
        xml.openTag("LyricsData")
            .attribute("SongName", guiString(songName_))
            .attribute("SingerName", guiString(singerName_));
        for (const auto& [name, c] : colors_) {
          xml.openTag("LyricsColor")
              .attribute("Name", guiString(name))
              .attribute("ClrsingBor", colour(c.ClrsingBor))
              .attribute("ClrsingIn", colour(c.ClrsingIn))
              .attribute("ClrsangBor", colour(c.ClrsangBor))
              .attribute("ClrsangIn", colour(c.ClrsangIn))
              .closeTag();
        }
        for (int i = 0; i < partCount(); ++i) writePart(xml, i, parts_[i]);
        xml.closeTag();
      },
      "lyrics");
}
