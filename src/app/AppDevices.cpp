// The audio devices of the application: the set-up at start, the launcher's choice, a lost
// device, the device selection dialog and the system levels given back at the end.
#include <CEGUI/CEGUI.h>

#include <cstdlib>
#include <cstring>

#include "AppSet/AudioDevConfigSet.h"
#include "AppSet/AudioDevUseSet.h"
#include "app/AppEventArgs.h"
#include "app/AppLog.h"
#include "app/DeviceChoice.h"
#include "app/EventNames.h"
#include "app/IPageCtrl.h"
#include "audio/CMicDelay.h"
#include "app/VokaranPlayerApp.h"
#include "audio/AudioDeviceManager.h"
#include "audio/CAudioDevSelWnd.h"
#include "audio/SystemAudio.h"
#include "guishell/Win32AppHelper.h"
#include "oscompat/Utf.h"

namespace {
// The dialog comes up this long after start-up has finished, over the first page.
constexpr unsigned kDeviceCheckMs = 800;
}  // namespace

// Start-up step 15 (GUI thread): the system mixer, the device files, the devices the
// launcher gave or the ones saved here, and the chosen microphone's settings.
void VokaranPlayerApp::setUpAudioDevices() {
  audioDevUse_->LoadSets();
  audioDevConfig_->LoadSets();
  systemAudio_ = CSystemAudio::create();
  audioSet_.setComponent(systemAudio_.get());
  deviceManager_->setSets(audioDevConfig_.get(), &audioSet_, audioDevUse_.get(), &engineAudio_);
  deviceManager_->setComponent(systemAudio_.get());
  const LaunchDevices& d = launch_.devices;
  deviceManager_->setLauncherDevices(d.DeviceIDIn, d.DeviceIn, d.DeviceIDOut, d.DeviceOut);
  const AudioDeviceChoice choice = deviceManager_->startUp(launcherPresent_);
  // Neither the launcher's nor the saved devices are there any more: the singer chooses.
  const bool listed = !deviceManager_->outputNames().empty() && !deviceManager_->inputNames().empty();
  deviceDialogAtStart_ = listed && !deviceManager_->choiceListed(choice);
  if (const char* open = std::getenv("VOKARAN_OPEN_DEVICES"); open && std::string(open) == "1")
    deviceDialogAtStart_ = true;  // development: the dialog at every start
}

// Clean-up step 7: the levels the system had before the module set them.
void VokaranPlayerApp::restoreSystemAudio() {
  audioSet_.setComponent(nullptr);
  if (deviceManager_) deviceManager_->setComponent(nullptr);
  if (!systemAudio_) return;
  systemAudio_->restore();
  systemAudio_.reset();
  appLog("cleanupApp: the system's audio levels are restored");
}

void VokaranPlayerApp::startDeviceCheckIfNeeded() {
  if (!deviceDialogAtStart_) return;
  deviceDialogAtStart_ = false;
  deviceCheckTimer_.SetTimer(kDeviceCheckMs);
}

// The device check (one shot): the lists again, marked as changed, and the dialog.
bool VokaranPlayerApp::onDeviceCheck(const CEGUI::EventArgs&) {
  deviceCheckTimer_.KillTimer();
  deviceManager_->enumerateDevices();
  deviceManager_->markChanged();
  openDeviceSelection();
  return true;
}

// A new choice is applied at once, also while a song is sung: the song goes on through the
// new devices ("DevChanged" resumes it and takes up the microphone again) and keeps its key,
// tempo and guide melody. The launcher hears of the choice as it was applied.
void VokaranPlayerApp::applyDeviceChoice(const AudioDeviceChoice& choice, const char* from) {
  // The audio setup page shows the items of the settings file being replaced.
  if (auto it = dialogMap_.find("AudioSetting"); it != dialogMap_.end() && it->second) it->second->endModal(2);
  deviceManager_->applyChoice(choice, contestSinging());
  const AudioDeviceChoice& applied = deviceManager_->current();
  // The delay measured for this pair of devices, if any, is the scoring's from the next song.
  if (micDelay_) micDelay_->applyStored();
  launch_.devices.DeviceIDOut = applied.outputIndex;
  launch_.devices.DeviceOut = applied.outputName;
  launch_.devices.DeviceIDIn = applied.inputIndex;
  launch_.devices.DeviceIn = applied.inputName;
  CEGUI::EventArgs changed;
  CEGUI::GlobalEventSet::getSingleton().fireEvent(EventNames::DevChanged, changed, "");
  const DeviceChoice record =
      DeviceChoice::make(applied.outputIndex, applied.outputName, applied.inputIndex, applied.inputName);
  const bool sent = sendDeviceChoiceToLauncher(record);
  appLog(std::string("the devices of ") + from + " are applied" +
         (sent ? "; the launcher was told" : "; no launcher to tell"));
}

void VokaranPlayerApp::openDeviceSelection() {
  if (!deviceManager_ || !rootWindow_ || dialogMap_.count("AudioDevSel")) return;
  deviceManager_->enumerateDevices();
  const AudioDeviceChoice& now = deviceManager_->current();
  auto* dialog = new CAudioDevSelWnd(deviceManager_->outputNames(), deviceManager_->inputNames(), now.outputName,
                                     now.inputName);
  dialogMap_["AudioDevSel"] = dialog;
  dialog->subscribeEvent(EventNames::EndModal, CEGUI::Event::Subscriber([this, dialog](const CEGUI::EventArgs&) {
                           AudioDeviceChoice outcome;
                           if (deviceManager_->dialogOutcome(dialog->result(), dialog->chosenOutput(),
                                                             dialog->chosenInput(), outcome))
                             applyDeviceChoice(outcome, "the device selection");
                           IPageCtrl::freeLater(dialog);
                           auto it = dialogMap_.find("AudioDevSel");
                           if (it != dialogMap_.end() && it->second == dialog) dialogMap_.erase(it);
                           return true;
                         }));
  if (!dialog->attach(rootWindow_)) appLogError("the device selection dialog could not be shown");
  appLog("device selection shown: " + std::to_string(deviceManager_->outputNames().size()) + " outputs, " +
         std::to_string(deviceManager_->inputNames().size()) + " inputs");
}

bool VokaranPlayerApp::onShellAudioDevChange(const CEGUI::EventArgs&) {
  deviceManager_->deviceLost();
  return true;
}

bool VokaranPlayerApp::onShellSettingAudioDevChange(const CEGUI::EventArgs& args) {
  const auto& data = static_cast<const LauncherDataEventArgs&>(args).data;
  if (data.size() < sizeof(DeviceChoice)) {
    appLogError("the launcher's device choice is " + std::to_string(data.size()) + " bytes, not " +
                std::to_string(sizeof(DeviceChoice)) + "; ignored");
    return true;
  }
  DeviceChoice record;
  std::memcpy(&record, data.data(), sizeof(record));
  AudioDeviceChoice choice;
  choice.outputIndex = record.entries[0].id;
  choice.outputName = DeviceChoice::nameOf(record.entries[0]);
  choice.inputIndex = record.entries[1].id;
  choice.inputName = DeviceChoice::nameOf(record.entries[1]);
  applyDeviceChoice(choice, "the launcher");
  return true;
}
