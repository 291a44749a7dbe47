#include "UploadRecord.h"

#include <cstdio>
#include <filesystem>
#include <memory>

#include <tinyxml.h>

#include "Codepage.h"

namespace vk::netlink {
namespace {

std::string attribute(const TiXmlElement& e, const char* name) {
  const char* value = e.Attribute(name);
  return value ? value : "";
}

long long number(const TiXmlElement& e, const char* name) {
  const char* value = e.Attribute(name);
  return value ? std::strtoll(value, nullptr, 10) : 0;
}

}  // namespace

void UploadRecord::open(const std::string& path) {
  std::lock_guard lock(mutex_);
  path_ = path;
  entries_.clear();
  TiXmlDocument document;
  if (path.empty() || !document.LoadFile(utf8ToSystem(path).c_str())) return;
  const TiXmlElement* root = document.RootElement();
  if (!root) return;
  for (const TiXmlElement* e = root->FirstChildElement("Upload"); e; e = e->NextSiblingElement("Upload")) {
    UploadEntry entry;
    entry.uploadId = static_cast<int>(number(*e, "UploadID"));
    if (entry.uploadId <= 0) continue;
    entry.path = attribute(*e, "Path");
    entry.ext = attribute(*e, "Ext");
    entry.key = attribute(*e, "Key");
    entry.size = number(*e, "Size");
    entry.mtime = number(*e, "Mtime");
    entry.packetTotal = static_cast<int>(number(*e, "PacketTotal"));
    entry.sent = static_cast<int>(number(*e, "Sent"));
    entry.finished = number(*e, "Finished") != 0;
    entry.address = attribute(*e, "Address");
    entry.hasProduct = number(*e, "HasProduct") != 0;
    auto& p = entry.product;
    p.uploadId = entry.uploadId;
    p.songId = attribute(*e, "SongID");
    p.songName = attribute(*e, "Song");
    p.singerName = attribute(*e, "Singer");
    p.singerId = attribute(*e, "SingerID");
    p.timeLength = attribute(*e, "TimeLength");
    p.total = static_cast<int>(number(*e, "Total"));
    p.pitch = static_cast<int>(number(*e, "Pitch"));
    p.expression = static_cast<int>(number(*e, "Expression"));
    p.rhythm = static_cast<int>(number(*e, "Rhythm"));
    p.engineTotal = static_cast<int>(number(*e, "EngineTotal"));
    p.type = static_cast<int>(number(*e, "Type"));
    entries_.push_back(std::move(entry));
  }
}

std::optional<UploadEntry> UploadRecord::byId(int uploadId) const {
  std::lock_guard lock(mutex_);
  for (auto& e : entries_)
    if (e.uploadId == uploadId) return e;
  return std::nullopt;
}

std::optional<UploadEntry> UploadRecord::byFile(const std::string& path, long long size, long long mtime) const {
  std::lock_guard lock(mutex_);
  for (auto& e : entries_)
    if (e.path == path && e.size == size && e.mtime == mtime) return e;
  return std::nullopt;
}

std::optional<UploadEntry> UploadRecord::byPath(const std::string& path) const {
  std::lock_guard lock(mutex_);
  for (auto it = entries_.rbegin(); it != entries_.rend(); ++it)
    if (it->path == path) return *it;
  return std::nullopt;
}

void UploadRecord::put(const UploadEntry& entry) {
  std::lock_guard lock(mutex_);
  bool replaced = false;
  for (auto& e : entries_)
    if (e.uploadId == entry.uploadId) {
      e = entry;
      replaced = true;
    }
  if (!replaced) entries_.push_back(entry);
  saveLocked();
}

void UploadRecord::remove(int uploadId) {
  std::lock_guard lock(mutex_);
  std::erase_if(entries_, [&](const UploadEntry& e) { return e.uploadId == uploadId; });
  saveLocked();
}

void UploadRecord::saveLocked() const {
  if (path_.empty()) return;  // no record file: uploads resume only within this run
  TiXmlDocument document;
  document.LinkEndChild(new TiXmlDeclaration("1.0", "UTF-8", ""));
  auto* root = new TiXmlElement("UploadRecord");
  document.LinkEndChild(root);
  for (auto& entry : entries_) {
    auto* e = new TiXmlElement("Upload");
    auto set = [e](const char* name, const std::string& value) { e->SetAttribute(name, value.c_str()); };
    auto setNumber = [&set](const char* name, long long value) { set(name, std::to_string(value)); };
    setNumber("UploadID", entry.uploadId);
    set("Path", entry.path);
    set("Ext", entry.ext);
    set("Key", entry.key);
    setNumber("Size", entry.size);
    setNumber("Mtime", entry.mtime);
    setNumber("PacketTotal", entry.packetTotal);
    setNumber("Sent", entry.sent);
    setNumber("Finished", entry.finished ? 1 : 0);
    set("Address", entry.address);
    setNumber("HasProduct", entry.hasProduct ? 1 : 0);
    const auto& p = entry.product;
    set("SongID", p.songId);
    set("Song", p.songName);
    set("Singer", p.singerName);
    set("SingerID", p.singerId);
    set("TimeLength", p.timeLength);
    setNumber("Total", p.total);
    setNumber("Pitch", p.pitch);
    setNumber("Expression", p.expression);
    setNumber("Rhythm", p.rhythm);
    setNumber("EngineTotal", p.engineTotal);
    setNumber("Type", p.type);
    root->LinkEndChild(e);
  }
  // Written beside and renamed over: a crash leaves the old record or the new one.
  std::string target = utf8ToSystem(path_);
  std::error_code error;
  std::filesystem::create_directories(std::filesystem::path(target).parent_path(), error);
  std::string temporary = target + ".tmp";
  if (document.SaveFile(temporary.c_str())) std::rename(temporary.c_str(), target.c_str());
}

}  // namespace vk::netlink
