#include "audio/AudioDeviceManager.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <sstream>

#include "AppSet/AudioDevConfigSet.h"
#include "AppSet/AudioDevUseSet.h"
#include "AppSet/AudioEngine.h"
#include "AppSet/AudioSet.h"
#include "app/AppLog.h"
#include "app/TextConvert.h"
#include "oscompat/Utf.h"

namespace {

std::string utf8(const std::wstring& text) { return oscompat::utf8FromWide(text); }

int itemValue(const CAudioSet& set, const wchar_t* name, int fallback) {
  const Item* item = set.getItem(name);
  return item ? item->value() : fallback;
}

// File names stay well below the usual 255-byte limit with room for ".xml" and ".bad".
constexpr size_t kMaxNameBytes = 180;

}  // namespace

AudioDeviceManager::AudioDeviceManager(IDeviceEngine& engine, std::wstring installDir)
    : engine_(engine), installDir_(std::move(installDir)) {}

void AudioDeviceManager::setSets(CAudioDevConfigSet* deviceConfig, CAudioSet* audioSettings,
                                 CAudioDevUseSet* deviceUse, IAudioEngine* audioEngine) {
  deviceConfig_ = deviceConfig;
  audioSettings_ = audioSettings;
  deviceUse_ = deviceUse;
  audioEngine_ = audioEngine;
}

void AudioDeviceManager::setLauncherDevices(int inputIndex, const std::wstring& inputName, int outputIndex,
                                            const std::wstring& outputName) {
  launcherInputIndex_ = inputIndex;
  launcherInputName_ = inputName;
  launcherOutputIndex_ = outputIndex;
  launcherOutputName_ = outputName;
}

bool AudioDeviceManager::enumerateDevices() {
  outputNames_ = engine_.deviceNames(false);
  inputNames_ = engine_.deviceNames(true);
  return !outputNames_.empty() && !inputNames_.empty();
}

int AudioDeviceManager::indexOf(const std::vector<std::wstring>& list, const std::wstring& name) {
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i] == name) return static_cast<int>(i);
  return -1;
}

int AudioDeviceManager::listedIndex(const std::vector<std::wstring>& list, const std::wstring& name, int index) {
  if (index >= 0 && static_cast<size_t>(index) < list.size() && list[index] == name) return index;
  const int found = indexOf(list, name);
  return found >= 0 ? found : index;
}

bool AudioDeviceManager::isValidChoice(const std::wstring& inputName, const std::wstring& outputName,
                                       int inputIndex, int outputIndex) const {
  const auto at = [](const std::vector<std::wstring>& list, int index, const std::wstring& name) {
    return index >= 0 && static_cast<size_t>(index) < list.size() && list[index] == name;
  };
  return at(inputNames_, inputIndex, inputName) && at(outputNames_, outputIndex, outputName);
}

bool AudioDeviceManager::choiceListed(const AudioDeviceChoice& choice) const {
  return indexOf(outputNames_, choice.outputName) >= 0 && indexOf(inputNames_, choice.inputName) >= 0;
}

AudioDeviceChoice AudioDeviceManager::startUp(bool launcherPresent) {
  AudioDeviceChoice choice;
  if (!launcherPresent && deviceUse_) {
    choice.inputName = deviceUse_->input().name;
    choice.inputIndex = static_cast<int>(deviceUse_->input().id);
    choice.outputName = deviceUse_->output().name;
    choice.outputIndex = static_cast<int>(deviceUse_->output().id);
  }
  if (!enumerateDevices())
    appLog("audio devices: " + std::to_string(outputNames_.size()) + " output and " +
           std::to_string(inputNames_.size()) + " input devices; the module goes on with the " +
           (launcherPresent ? "launcher's" : "saved") + " choice");
  if (launcherPresent) {
    // The launcher's choice is taken as it is.
    choice = {launcherOutputName_, launcherOutputIndex_, launcherInputName_, launcherInputIndex_};
  } else if (!isValidChoice(choice.inputName, choice.outputName, choice.inputIndex, choice.outputIndex)) {
    // The saved devices by name where they are still listed (the list's order may have
    // changed), else whatever is listed at the saved index; an index outside the list keeps
    // the saved name.
    const auto resolve = [](const std::vector<std::wstring>& list, std::wstring& name, int& index) {
      if (const int found = indexOf(list, name); found >= 0 && !name.empty()) {
        index = found;
      } else if (index >= 0 && static_cast<size_t>(index) < list.size()) {
        name = list[index];
      }
    };
    resolve(inputNames_, choice.inputName, choice.inputIndex);
    resolve(outputNames_, choice.outputName, choice.outputIndex);
  }
  saveChoice(choice);
  selectAudioSettingsFor(choice.inputName);
  applyDevices(choice.inputName, choice.outputName, choice.inputIndex, choice.outputIndex);
  applyAudioSettings();
  changed_ = false;
  appLog("audio devices: out \"" + utf8(current_.outputName) + "\" (" + std::to_string(current_.outputIndex) +
         "), in \"" + utf8(current_.inputName) + "\" (" + std::to_string(current_.inputIndex) + ")");
  return current_;
}

const wchar_t* const AudioDeviceManager::kSharedSettingsFile = L"/PKData/AppSets/Audio.xml";

std::wstring AudioDeviceManager::settingsFileFor(const std::wstring& deviceName) {
  std::wstring name;
  for (wchar_t c : deviceName) name.push_back(c == L'/' || c == L'\\' || c < 0x20 || c == 0x7F ? L' ' : c);
  // A name that would read as the folder itself or its parent.
  if (name.find_first_not_of(L'.') == std::wstring::npos) name = L"_" + name;
  if (utf8(name).size() > kMaxNameBytes) {
    std::wstring cut;
    for (wchar_t c : name) {
      if (utf8(cut + c).size() > kMaxNameBytes - 17) break;
      cut.push_back(c);
    }
    std::ostringstream hash;
    hash << std::hex << std::hash<std::string>{}(utf8(deviceName));
    name = cut + L" " + oscompat::wideFromUtf8(hash.str().substr(0, 16));
  }
  return L"/PKData/AppSets/" + name + L".xml";
}

std::wstring AudioDeviceManager::fullPath(const std::wstring& stored) const {
  // Paths written on Windows use "\".
  std::wstring path = stored;
  for (wchar_t& c : path)
    if (c == L'\\') c = L'/';
  if (path.rfind(L"./", 0) == 0) path.erase(0, 1);
  if (path.empty() || path[0] != L'/') path = L"/" + path;
  return installDir_ + path;
}

void AudioDeviceManager::selectAudioSettingsFor(const std::wstring& inputName) {
  if (!deviceConfig_ || !audioSettings_) return;
  const CEGUI::String key = guiString(inputName);
  // What was set for the microphone in use stays in its file.
  if (!settingsInUse_.empty() && settingsInUse_ == audioSettings_->path() && !audioSettings_->SaveSets())
    appLogError("audio devices: the settings file " + utf8(settingsInUse_) + " could not be written");
  CEGUI::String stored;
  if (deviceConfig_->configPath(key, stored)) {
    audioSettings_->setPath(fullPath(wideFromGui(stored)));
    if (!audioSettings_->LoadSets())
      appLog("audio devices: the settings of \"" + utf8(inputName) + "\" could not be read; defaults");
  } else {
    const std::wstring file = settingsFileFor(inputName);
    deviceConfig_->addConfig(key, guiString(file));
    audioSettings_->setPath(fullPath(file));
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::path(utf8(fullPath(file))), error)) {
      // The device's file is there although the configuration had lost it (a damaged
      // configuration): its settings are the singer's, kept.
      audioSettings_->LoadSets();
    } else {
      // A microphone new here starts from the installation's shared settings when there are
      // any (the singer's settings from before each microphone had a file), else the defaults.
      const std::wstring shared = fullPath(kSharedSettingsFile);
      bool fromShared = false;
      if (std::filesystem::exists(std::filesystem::path(utf8(shared)), error)) {
        audioSettings_->setPath(shared);
        fromShared = audioSettings_->LoadSets();
        audioSettings_->setPath(fullPath(file));
      }
      if (!fromShared) audioSettings_->resetToDefaults();
      if (!audioSettings_->SaveSets())
        appLogError("audio devices: the settings file " + utf8(fullPath(file)) + " could not be written");
    }
    appLog("audio devices: \"" + utf8(inputName) + "\" is new here; its settings are " + utf8(file));
  }
  settingsInUse_ = audioSettings_->path();
  deviceConfig_->selectConfig(key);
  if (!deviceConfig_->SaveSets()) appLogError("audio devices: the device configuration could not be saved");
}

void AudioDeviceManager::applyDevices(const std::wstring& inputName, const std::wstring& outputName, int inputIndex,
                                      int outputIndex) {
  // The lists may have changed since the indices were taken: a listed name decides.
  enumerateDevices();
  outputIndex = listedIndex(outputNames_, outputName, outputIndex);
  inputIndex = listedIndex(inputNames_, inputName, inputIndex);
  if (const int r = engine_.VokaSetAudioID(outputIndex); r < 0)
    appLogError("audio devices: the engine refused output " + std::to_string(outputIndex) + " (\"" +
                utf8(outputName) + "\"): " + std::to_string(r));
  if (const int r = engine_.VokaSetAudioInID(inputIndex); r < 0)
    appLogError("audio devices: the engine refused input " + std::to_string(inputIndex) + " (\"" +
                utf8(inputName) + "\"): " + std::to_string(r));
  if (component_) {
    component_->selectOutputDevice(outputName);
    component_->selectInputDevice(inputName);
  }
  current_ = {outputName, outputIndex, inputName, inputIndex};
  if (deviceConfig_) {
    deviceConfig_->selectConfig(guiString(inputName));
    if (!deviceConfig_->SaveSets()) appLogError("audio devices: the device configuration could not be saved");
  }
}

void AudioDeviceManager::applyAudioSettings() {
  if (!audioSettings_) return;
  const CAudioSet& s = *audioSettings_;
  if (const EffectMode* mode = audioSettings_->currentMode()) engine_.MicSetRoomMode(mode->EffectID);
  if (audioEngine_) {
    audioEngine_->VokaSetVolume(itemValue(s, L"Accompany", 80));
    audioEngine_->MicSetEchoDeep(itemValue(s, L"Depth", 76));
    audioEngine_->MicSetEchoLevel(itemValue(s, L"ECHO", 110));
    audioEngine_->VokaSetKey(itemValue(s, L"KEY", 0));
    audioEngine_->MidiSetMelodyVolume(itemValue(s, L"MELODY", 28));
    audioEngine_->VokaSetTempo(itemValue(s, L"TEMPO", 100));
    audioEngine_->MicSetVolume(itemValue(s, L"MICRC", 115));
  }
  if (component_) {
    component_->setMasterVolume(itemValue(s, L"VOL", 65535));
    component_->setMicrophoneLevel(itemValue(s, L"MIC", 65535));
    component_->setMonitorLevel(itemValue(s, L"SysMICRC", 30000));
  }
}

void AudioDeviceManager::saveChoice(const AudioDeviceChoice& choice) {
  if (!deviceUse_) return;
  deviceUse_->setInput({choice.inputName, static_cast<unsigned>(std::max(choice.inputIndex, 0))});
  deviceUse_->setOutput({choice.outputName, static_cast<unsigned>(std::max(choice.outputIndex, 0))});
  if (!deviceUse_->SaveSets()) appLogError("audio devices: the device choice could not be saved");
}

void AudioDeviceManager::applyChoice(const AudioDeviceChoice& choice, bool duringSong) {
  engine_.VokaSetDeviceError(0);
  deviceError_ = false;
  std::vector<std::pair<const wchar_t*, int>> song;
  if (duringSong && audioSettings_)
    for (const wchar_t* name : {L"KEY", L"TEMPO", L"MELODY"})
      if (const Item* item = audioSettings_->getItem(name)) song.emplace_back(name, item->value());
  selectAudioSettingsFor(choice.inputName);
  for (const auto& [name, value] : song)
    if (Item* item = audioSettings_->getItem(name)) item->setValue(value, true);
  applyDevices(choice.inputName, choice.outputName, choice.inputIndex, choice.outputIndex);
  applyAudioSettings();
  saveChoice(current_);
  changed_ = false;
  appLog("audio devices: new choice: out \"" + utf8(current_.outputName) + "\" (" +
         std::to_string(current_.outputIndex) + "), in \"" + utf8(current_.inputName) + "\" (" +
         std::to_string(current_.inputIndex) + ")");
}

void AudioDeviceManager::deviceLost() {
  engine_.VokaSetDeviceError(1);
  deviceError_ = true;
  appLog("audio devices: a device was lost; silent until the next choice");
}

bool AudioDeviceManager::dialogOutcome(int result, const std::wstring& outputName, const std::wstring& inputName,
                                       AudioDeviceChoice& outcome) const {
  AudioDeviceChoice saved = current_;
  if (deviceUse_) {
    saved = {deviceUse_->output().name, static_cast<int>(deviceUse_->output().id), deviceUse_->input().name,
             static_cast<int>(deviceUse_->input().id)};
  }
  if (result == 1) {
    outcome = saved;
    if (const int out = indexOf(outputNames_, outputName); out >= 0) outcome.outputName = outputName, outcome.outputIndex = out;
    if (const int in = indexOf(inputNames_, inputName); in >= 0) outcome.inputName = inputName, outcome.inputIndex = in;
  } else {
    if (!isValidChoice(saved.inputName, saved.outputName, saved.inputIndex, saved.outputIndex)) return false;
    outcome = saved;
  }
  return !(outcome == current_) || changed_ || deviceError_;
}
