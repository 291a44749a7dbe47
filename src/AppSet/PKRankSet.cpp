#include "AppSet/PKRankSet.h"

#include <CEGUI/XMLSerializer.h>

#include <algorithm>

#include "AppSet/SetXml.h"
#include "AppSet/TXMLHander.h"
#include "app/TextConvert.h"

class PKRankSet_xmlHandler : public TXMLHander<PKRankSet_xmlHandler> {
 public:
  explicit PKRankSet_xmlHandler(PKRankSet& set) : set_(set) {
    registerStart("PKRankSet", &PKRankSet_xmlHandler::acceptElement);
    registerStart("SongInfo", &PKRankSet_xmlHandler::onSongStart);
    registerEnd("SongInfo", &PKRankSet_xmlHandler::onSongEnd);
    registerStart("SongRank", &PKRankSet_xmlHandler::onRank);
  }

 private:
  void onSongStart(const CEGUI::XMLAttributes& a) {
    songId_ = xmlAttrWide(a, "SongID");
    reading_.clear();
    auto& ids = set_.songIds_;
    if (std::find(ids.begin(), ids.end(), songId_) == ids.end()) ids.push_back(songId_);
  }
  void onRank(const CEGUI::XMLAttributes& a) {
    reading_.push_back({xmlAttrWide(a, "FinalScore"), xmlAttrWide(a, "YinGanScore"),
                        xmlAttrWide(a, "FeelScore"), xmlAttrWide(a, "JieZouScore"),
                        xmlAttrWide(a, "Rate")});
  }
  void onSongEnd() {
    auto& list = set_.ranks_[songId_];
    list.insert(list.end(), reading_.begin(), reading_.end());
    reading_.clear();
  }

  PKRankSet& set_;
  std::wstring songId_;
  std::vector<SongRank> reading_;
};

bool PKRankSet::LoadSets() {
  ranks_.clear();
  songIds_.clear();
  PKRankSet_xmlHandler handler(*this);
  XmlReadOptions options;
  options.notReadyMessage = "PKRankSet::LoadSets - LoadSets Fail!";
  options.notReadySource = "PK\\PKRankSet";
  options.notReadyFunction = "PKRankSet::LoadSets";
  options.keepUnreadableCopy = true;
  if (readSettingsXml(handler, settingsPathUtf8(path_), options)) return true;
  ranks_.clear();
  songIds_.clear();
  return false;
}

bool PKRankSet::SaveSets() {
  if (path_.empty()) return false;
  return writeSettingsXml(settingsPathUtf8(path_), [this](CEGUI::XMLSerializer& xml) {
    xml.openTag("PKRankSet");
    for (const std::wstring& id : songIds_) {
      xml.openTag("SongInfo").attribute("SongID", guiString(id));
      if (const auto* list = ranks(id)) {
        for (const SongRank& r : *list) {
          xml.openTag("SongRank")
              .attribute("FinalScore", guiString(r.FinalScore))
              .attribute("YinGanScore", guiString(r.YinGanScore))
              .attribute("FeelScore", guiString(r.FeelScore))
              .attribute("JieZouScore", guiString(r.JieZouScore))
              .attribute("Rate", guiString(r.Rate))
              .closeTag();
        }
      }
      xml.closeTag();
    }
    xml.closeTag();
  });
}

void PKRankSet::addRank(const std::wstring& songId, const SongRank& rank) {
  if (!ranks_.count(songId) &&
      std::find(songIds_.begin(), songIds_.end(), songId) == songIds_.end())
    songIds_.push_back(songId);
  ranks_[songId].push_back(rank);
}

const std::vector<SongRank>* PKRankSet::ranks(const std::wstring& songId) const {
  const auto it = ranks_.find(songId);
  return it == ranks_.end() ? nullptr : &it->second;
}
