#include "Upload/UploadSongSet.h"

#include <CEGUI/XMLSerializer.h>

#include <algorithm>
#include <map>

#include "AppSet/SetXml.h"
#include "AppSet/TXMLHander.h"
#include "app/TextConvert.h"

namespace {

using Fields = std::map<CEGUI::String, CEGUI::String>;

CEGUI::String number(int value) { return xmlFromInt(value); }

Fields fieldsOf(const UploadItem& w) {
  return {{"AdditionalScore", number(w.AdditionalScore)},
          {"BeatScore", number(w.BeatScore)},
          {"DataPacketTotal", number(w.DataPacketTotal)},
          {"EmotionScore", number(w.EmotionScore)},
          {"FullScore", number(w.FullScore)},
          {"Key", guiString(w.Key)},
          {"LyricFile", guiString(w.LyricFile)},
          {"MicDelay", number(w.MicDelay)},
          {"Mixed", number(w.Mixed)},
          {"MixedAudioFile", guiString(w.MixedAudioFile)},
          {"MusicPcmFile", guiString(w.MusicPcmFile)},
          {"PitchScore", number(w.PitchScore)},
          {"RecordTime", guiString(w.RecordTime)},
          {"SentDataPacket", number(w.SentDataPacket)},
          {"Singer", guiString(w.Singer)},
          {"SingerID", guiString(w.SingerID)},
          {"Song", guiString(w.Song)},
          {"SongID", guiString(w.SongID)},
          {"SoundlessVideoFile", guiString(w.SoundlessVideoFile)},
          {"TimeLenth", number(w.TimeLenth)},
          {"Type", number(w.Type)},
          {"UploadFile", guiString(w.UploadFile)},
          {"UploadID", number(w.UploadID)},
          {"UploadState", number(w.UploadState)},
          {"UploadUrl", guiString(w.UploadUrl)},
          {"VoicePcmFile", guiString(w.VoicePcmFile)}};
}

UploadItem itemOf(const Fields& f) {
  auto text = [&](const char* name) {
    const auto it = f.find(name);
    return it == f.end() ? std::wstring() : wideFromGui(it->second);
  };
  auto integer = [&](const char* name) {
    const auto it = f.find(name);
    return it == f.end() ? 0 : xmlToInt(it->second);
  };
  UploadItem w;
  w.Key = text("Key");
  w.Song = text("Song");
  w.Singer = text("Singer");
  w.SongID = text("SongID");
  w.SingerID = text("SingerID");
  w.RecordTime = text("RecordTime");
  w.FullScore = integer("FullScore");
  w.PitchScore = integer("PitchScore");
  w.BeatScore = integer("BeatScore");
  w.EmotionScore = integer("EmotionScore");
  w.AdditionalScore = integer("AdditionalScore");
  w.Type = integer("Type");
  w.LyricFile = text("LyricFile");
  w.MusicPcmFile = text("MusicPcmFile");
  w.VoicePcmFile = text("VoicePcmFile");
  w.UploadFile = text("UploadFile");
  w.MixedAudioFile = text("MixedAudioFile");
  w.SoundlessVideoFile = text("SoundlessVideoFile");
  w.UploadUrl = text("UploadUrl");
  w.DataPacketTotal = integer("DataPacketTotal");
  w.SentDataPacket = integer("SentDataPacket");
  w.UploadID = integer("UploadID");
  w.TimeLenth = integer("TimeLenth");
  w.Mixed = integer("Mixed");
  w.UploadState = integer("UploadState");
  // Works saved before delays were measured have none: 0, as they were mixed then.
  w.MicDelay = std::clamp(integer("MicDelay"), 0, 2000);
  return w;
}

}  // namespace

class UploadItemSetXMLHander : public TXMLHander<UploadItemSetXMLHander> {
 public:
  explicit UploadItemSetXMLHander(CUploadItemSet& set) : set_(set) {
    registerStart("UploadSet", &UploadItemSetXMLHander::acceptElement);
    registerStart("UploadItem", &UploadItemSetXMLHander::onItemStart);
    registerEnd("UploadItem", &UploadItemSetXMLHander::onItemEnd);
    registerStart("Item", &UploadItemSetXMLHander::onField);
  }

 private:
  void onItemStart(const CEGUI::XMLAttributes&) {
    fields_.clear();
    open_ = true;
  }
  void onField(const CEGUI::XMLAttributes& a) {
    if (open_) fields_[a.getValueAsString("Name")] = a.getValueAsString("Value");
  }
  void onItemEnd() {
    if (open_) set_.items_.push_back(itemOf(fields_));
    open_ = false;
  }

  CUploadItemSet& set_;
  Fields fields_;
  bool open_ = false;
};

bool CUploadItemSet::LoadSets() {
  items_.clear();
  UploadItemSetXMLHander handler(*this);
  XmlReadOptions options;
  options.notReadyMessage = "Direct3D9Texture::loadFromFile - CEGUI::System object has not been created!";
  options.notReadySource = "Upload\\UploadSongSet";
  options.notReadyLine = 115;
  options.notReadyFunction = "CUploadItemSet::LoadSets";
  options.keepUnreadableCopy = true;
  options.subject = "works";
  options.fallback = "the album starts empty";
  return readSettingsXml(handler, settingsPathUtf8(path_), options);
}

bool CUploadItemSet::SaveSets() {
  if (path_.empty()) return false;
  return writeSettingsXml(
      settingsPathUtf8(path_),
      [this](CEGUI::XMLSerializer& xml) {
        xml.openTag("UploadSet");
        for (const UploadItem& w : items_) {
          xml.openTag("UploadItem");
          for (const auto& [name, value] : fieldsOf(w)) xml.openTag("Item").attribute("Name", name).attribute("Value", value).closeTag();
          xml.closeTag();
        }
        xml.closeTag();
      },
      "works");
}
