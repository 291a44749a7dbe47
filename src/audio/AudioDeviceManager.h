#pragma once
// The audio devices the module plays and records through: the device lists, the choice made
// at start-up (the launcher's, or the one saved on this machine), the choices made later (the
// launcher's, the device selection dialog's), the audio settings file of each microphone, and
// the settings applied to the engine and the system audio component. Owned by the
// application object. GUI thread.
#include <string>
#include <vector>

class CAudioDevConfigSet;
class CAudioDevUseSet;
class CAudioSet;
class IAudioComponent;
class IAudioEngine;

// The karaoke engine's device calls, and its room mode, which the audio settings' items do
// not carry.
class IDeviceEngine {
 public:
  virtual ~IDeviceEngine() = default;
  // The output (input = false) or input devices, in system order.
  virtual std::vector<std::wstring> deviceNames(bool input) = 0;
  // The engine's results: negative when refused.
  virtual int VokaSetAudioID(int index) = 0;
  virtual int VokaSetAudioInID(int index) = 0;
  virtual int VokaSetDeviceError(int lost) = 0;
  virtual int MicSetRoomMode(int mode) = 0;
};

// An output and an input device, each a name and its index in the system's list.
struct AudioDeviceChoice {
  std::wstring outputName;
  int outputIndex = 0;
  std::wstring inputName;
  int inputIndex = 0;
  bool operator==(const AudioDeviceChoice&) const = default;
};

class AudioDeviceManager {
 public:
  // `installDir`: the installation folder the settings files' stored paths are relative to.
  AudioDeviceManager(IDeviceEngine& engine, std::wstring installDir);

  // Not owned. The audio settings apply their items through `audioEngine`; the component may
  // be null (no system mixer).
  void setSets(CAudioDevConfigSet* deviceConfig, CAudioSet* audioSettings, CAudioDevUseSet* deviceUse,
               IAudioEngine* audioEngine);
  void setComponent(IAudioComponent* component) { component_ = component; }
  // The launcher's device parameters.
  void setLauncherDevices(int inputIndex, const std::wstring& inputName, int outputIndex,
                          const std::wstring& outputName);

  // Reads both lists again; true only when neither is empty.
  bool enumerateDevices();
  const std::vector<std::wstring>& inputNames() const { return inputNames_; }
  const std::vector<std::wstring>& outputNames() const { return outputNames_; }
  // Both indices inside their lists and each name the listed one at its index.
  bool isValidChoice(const std::wstring& inputName, const std::wstring& outputName, int inputIndex,
                     int outputIndex) const;
  // Whether both names are in the lists (wherever).
  bool choiceListed(const AudioDeviceChoice& choice) const;

  // The start-up choice: the launcher's parameters when the launcher is there (taken as they
  // are), else the saved choice checked against the lists. Saves it, loads the microphone's
  // settings, applies the devices and the settings. Returns the choice applied.
  AudioDeviceChoice startUp(bool launcherPresent);

  // The audio settings file of an input device: loaded when the device has one; a device seen
  // for the first time gets a new file with the default values. Records the device as current.
  void selectAudioSettingsFor(const std::wstring& inputName);
  // The devices to the engine and the component; the input becomes the current device of the
  // device configuration, which is saved.
  void applyDevices(const std::wstring& inputName, const std::wstring& outputName, int inputIndex,
                    int outputIndex);
  // Every audio setting to the engine and the component.
  void applyAudioSettings();

  // A new choice (the launcher's or the dialog's): the engine's device error is cleared, the
  // microphone's settings loaded, devices and settings applied, the choice saved. The caller
  // announces it ("DevChanged"). `duringSong`: a song is being sung; its key, tempo and guide
  // melody level belong to the song, not to the microphone, and stay as they are.
  void applyChoice(const AudioDeviceChoice& choice, bool duringSong = false);
  // A device was lost: the engine stays in its error state until the next choice.
  void deviceLost();
  bool deviceError() const { return deviceError_; }

  // The choice in use (the last one applied).
  const AudioDeviceChoice& current() const { return current_; }
  // The lists were read again since the last choice (the device check): applying the same
  // choice again reopens the devices.
  void markChanged() { changed_ = true; }
  bool changed() const { return changed_; }

  // The end of the device selection dialog. Result 1: the chosen names with their indices
  // (a name no longer listed falls back to the saved device of its kind); result 0: the saved
  // choice when it is still valid. True when the outcome is to be applied: it differs from
  // the choice in use or the lists had changed.
  bool dialogOutcome(int result, const std::wstring& outputName, const std::wstring& inputName,
                     AudioDeviceChoice& outcome) const;

  // The file name (below the installation folder) of a device's audio settings:
  // "/PKData/AppSets/NAME.xml" with "/" and "\" in NAME as spaces (and other characters a
  // file name cannot hold as spaces too; an overlong name is cut and marked by a hash).
  static std::wstring settingsFileFor(const std::wstring& deviceName);
  // The settings file used while no microphone is known.
  static const wchar_t* const kSharedSettingsFile;

 private:
  // The index of `name` in `list`, or -1.
  static int indexOf(const std::vector<std::wstring>& list, const std::wstring& name);
  // `index` unless the list holds `name` elsewhere (the list changed since the index was
  // taken): then the listed index.
  static int listedIndex(const std::vector<std::wstring>& list, const std::wstring& name, int index);
  void saveChoice(const AudioDeviceChoice& choice);
  std::wstring fullPath(const std::wstring& stored) const;

  IDeviceEngine& engine_;
  std::wstring installDir_;
  CAudioDevConfigSet* deviceConfig_ = nullptr;
  CAudioSet* audioSettings_ = nullptr;
  CAudioDevUseSet* deviceUse_ = nullptr;
  IAudioEngine* audioEngine_ = nullptr;
  IAudioComponent* component_ = nullptr;
  std::vector<std::wstring> inputNames_;
  std::vector<std::wstring> outputNames_;
  int launcherInputIndex_ = 0;
  std::wstring launcherInputName_;
  int launcherOutputIndex_ = 0;
  std::wstring launcherOutputName_;
  AudioDeviceChoice current_;
  std::wstring settingsInUse_;  // the settings file this manager loaded last
  bool deviceError_ = false;
  bool changed_ = false;
};
