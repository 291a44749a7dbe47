#include "AppSet/SongSet.h"

#include <CEGUI/XMLSerializer.h>

#include "AppSet/SetXml.h"
#include "AppSet/TXMLHander.h"
#include "app/TextConvert.h"

class SongSetXMLHander : public TXMLHander<SongSetXMLHander> {
 public:
  explicit SongSetXMLHander(CSongSet& set) : set_(set) {
    registerStart("SongSet", &SongSetXMLHander::acceptElement);
    registerStart("Song", &SongSetXMLHander::onSongStart);
    registerEnd("Song", &SongSetXMLHander::onSongEnd);
    registerStart("Item", &SongSetXMLHander::onItem);
  }

 private:
  void onSongStart(const CEGUI::XMLAttributes&) { song_.clear(); }
  void onItem(const CEGUI::XMLAttributes& a) { song_[xmlAttrWide(a, "Name")] = xmlAttrWide(a, "Value"); }
  void onSongEnd() {
    set_.songs().push_back(std::move(song_));
    song_.clear();
  }

  CSongSet& set_;
  CSongSet::Song song_;
};

namespace {

std::wstring item(const CSongSet::Song& song, const wchar_t* name) {
  const auto it = song.find(name);
  return it == song.end() ? std::wstring() : it->second;
}

int number(const CSongSet::Song& song, const wchar_t* name) {
  return xmlToInt(guiString(item(song, name)));
}

}  // namespace

CSongSet::CSongSet(std::wstring path) : path_(std::move(path)) {}

bool CSongSet::LoadSets() {
  SongSetXMLHander handler(*this);
  XmlReadOptions options;
  options.notReadySource = "AppSet\\SongSet";
  options.notReadyLine = 112;
  options.notReadyFunction = "CSongSet::LoadSets";
  options.keepUnreadableCopy = true;
  return readSettingsXml(handler, settingsPathUtf8(path_), options);
}

bool CSongSet::SaveSets() {
  return writeSettingsXml(settingsPathUtf8(path_), [this](CEGUI::XMLSerializer& xml) {
    xml.openTag("SongSet");
    for (const Song& song : songs_) {
      xml.openTag("Song");
      for (const auto& [name, value] : song)
        xml.openTag("Item").attribute("Name", guiString(name)).attribute("Value", guiString(value)).closeTag();
      xml.closeTag();
    }
    xml.closeTag();
  });
}

void CSongSet::songsToRecords(std::vector<SongSetEntry>& out) const {
  for (const Song& song : songs_) {
    SongSetEntry e;
    e.record.SongID = item(song, L"SongID");
    e.record.SongName = item(song, L"SongName");
    e.record.SingerName = item(song, L"SingerName");
    e.record.SongKey = number(song, L"SongKey");
    e.record.FlashCode1 = item(song, L"FlashCode1");
    e.record.FlashCode2 = item(song, L"FlashCode2");
    e.record.FlashCode3 = item(song, L"FlashCode3");
    e.record.FlashCode4 = item(song, L"FlashCode4");
    e.record.FlashCode5 = item(song, L"FlashCode5");
    e.misType = number(song, L"MisType");
    out.push_back(std::move(e));
  }
}

void CSongSet::addSongRecord(const SongRecord& record, int misType) {
  Song song;
  song[L"SongName"] = record.SongName;
  song[L"SongID"] = record.SongID;
  song[L"SingerName"] = record.SingerName;
  song[L"SongKey"] = std::to_wstring(record.SongKey);
  song[L"FlashCode1"] = record.FlashCode1;
  song[L"FlashCode2"] = record.FlashCode2;
  song[L"FlashCode3"] = record.FlashCode3;
  song[L"FlashCode4"] = record.FlashCode4;
  song[L"FlashCode5"] = record.FlashCode5;
  song[L"MisType"] = std::to_wstring(misType);
  songs_.push_back(std::move(song));
}
