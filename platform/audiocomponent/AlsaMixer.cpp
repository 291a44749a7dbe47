#include "audiocomponent/AlsaMixer.h"

#include <alsa/asoundlib.h>

#include <cstdlib>
#include <initializer_list>
#include <mutex>
#include <type_traits>

#include "oscompat/DynamicLibrary.h"

namespace audiocomponent {
namespace {

// The few libasound calls the mixer makes, resolved at run time.
struct Alsa {
  bool ok = false;
  int (*card_next)(int*) = nullptr;
  int (*card_get_name)(int, char**) = nullptr;
  int (*card_get_longname)(int, char**) = nullptr;
  int (*mixer_open)(snd_mixer_t**, int) = nullptr;
  int (*mixer_close)(snd_mixer_t*) = nullptr;
  int (*mixer_attach)(snd_mixer_t*, const char*) = nullptr;
  int (*selem_register)(snd_mixer_t*, struct snd_mixer_selem_regopt*, snd_mixer_class_t**) = nullptr;
  int (*mixer_load)(snd_mixer_t*) = nullptr;
  int (*mixer_handle_events)(snd_mixer_t*) = nullptr;
  int (*selem_id_malloc)(snd_mixer_selem_id_t**) = nullptr;
  void (*selem_id_free)(snd_mixer_selem_id_t*) = nullptr;
  void (*selem_id_set_name)(snd_mixer_selem_id_t*, const char*) = nullptr;
  void (*selem_id_set_index)(snd_mixer_selem_id_t*, unsigned) = nullptr;
  snd_mixer_elem_t* (*find_selem)(snd_mixer_t*, const snd_mixer_selem_id_t*) = nullptr;
  int (*has_playback_volume)(snd_mixer_elem_t*) = nullptr;
  int (*has_capture_volume)(snd_mixer_elem_t*) = nullptr;
  int (*get_playback_range)(snd_mixer_elem_t*, long*, long*) = nullptr;
  int (*get_capture_range)(snd_mixer_elem_t*, long*, long*) = nullptr;
  int (*get_playback)(snd_mixer_elem_t*, snd_mixer_selem_channel_id_t, long*) = nullptr;
  int (*get_capture)(snd_mixer_elem_t*, snd_mixer_selem_channel_id_t, long*) = nullptr;
  int (*set_playback_all)(snd_mixer_elem_t*, long) = nullptr;
  int (*set_capture_all)(snd_mixer_elem_t*, long) = nullptr;
};

const Alsa& alsa() {
  static Alsa a;
  static std::once_flag once;
  std::call_once(once, [] {
    void* lib = oscompat::loadLibrary("libasound.so.2");
    if (!lib) return;
    bool all = true;
    auto get = [&](auto& fn, const char* name) {
      fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(oscompat::findSymbol(lib, name));
      all = all && fn;
    };
    get(a.card_next, "snd_card_next");
    get(a.card_get_name, "snd_card_get_name");
    get(a.card_get_longname, "snd_card_get_longname");
    get(a.mixer_open, "snd_mixer_open");
    get(a.mixer_close, "snd_mixer_close");
    get(a.mixer_attach, "snd_mixer_attach");
    get(a.selem_register, "snd_mixer_selem_register");
    get(a.mixer_load, "snd_mixer_load");
    get(a.mixer_handle_events, "snd_mixer_handle_events");
    get(a.selem_id_malloc, "snd_mixer_selem_id_malloc");
    get(a.selem_id_free, "snd_mixer_selem_id_free");
    get(a.selem_id_set_name, "snd_mixer_selem_id_set_name");
    get(a.selem_id_set_index, "snd_mixer_selem_id_set_index");
    get(a.find_selem, "snd_mixer_find_selem");
    get(a.has_playback_volume, "snd_mixer_selem_has_playback_volume");
    get(a.has_capture_volume, "snd_mixer_selem_has_capture_volume");
    get(a.get_playback_range, "snd_mixer_selem_get_playback_volume_range");
    get(a.get_capture_range, "snd_mixer_selem_get_capture_volume_range");
    get(a.get_playback, "snd_mixer_selem_get_playback_volume");
    get(a.get_capture, "snd_mixer_selem_get_capture_volume");
    get(a.set_playback_all, "snd_mixer_selem_set_playback_volume_all");
    get(a.set_capture_all, "snd_mixer_selem_set_capture_volume_all");
    a.ok = all;
  });
  return a;
}

std::string takeString(char* s) {
  std::string text = s ? s : "";
  if (s) ::free(s);  // libasound hands out malloc'ed names
  return text;
}

class AlsaMixer final : public MixerBackend {
 public:
  AlsaMixer(snd_mixer_t* mixer, std::string name) : mixer_(mixer), name_(std::move(name)) {
    const Alsa& a = alsa();
    elems_[0] = find({"Master", "PCM", "Speaker", "Headphone"}, a.has_playback_volume);
    elems_[1] = find({"Capture", "Mic", "Internal Mic"}, a.has_capture_volume);
    elems_[2] = find({"Mic", "Front Mic"}, a.has_playback_volume);
  }
  ~AlsaMixer() override { alsa().mixer_close(mixer_); }

  bool range(MixerControl c, long& min, long& max) override {
    snd_mixer_elem_t* e = elem(c);
    if (!e) return false;
    return (capture(c) ? alsa().get_capture_range(e, &min, &max) : alsa().get_playback_range(e, &min, &max)) == 0;
  }
  bool get(MixerControl c, long& value) override {
    snd_mixer_elem_t* e = elem(c);
    if (!e) return false;
    alsa().mixer_handle_events(mixer_);  // levels another program changed meanwhile
    const auto ch = SND_MIXER_SCHN_FRONT_LEFT;
    return (capture(c) ? alsa().get_capture(e, ch, &value) : alsa().get_playback(e, ch, &value)) == 0;
  }
  bool set(MixerControl c, long value) override {
    snd_mixer_elem_t* e = elem(c);
    if (!e) return false;
    return (capture(c) ? alsa().set_capture_all(e, value) : alsa().set_playback_all(e, value)) == 0;
  }
  std::string name() const override { return name_; }

 private:
  static bool capture(MixerControl c) { return c == MixerControl::Capture; }
  snd_mixer_elem_t* elem(MixerControl c) const { return elems_[static_cast<int>(c)]; }
  snd_mixer_elem_t* find(std::initializer_list<const char*> names, int (*has)(snd_mixer_elem_t*)) {
    const Alsa& a = alsa();
    snd_mixer_selem_id_t* id = nullptr;
    if (a.selem_id_malloc(&id) != 0) return nullptr;
    snd_mixer_elem_t* found = nullptr;
    for (const char* n : names) {
      a.selem_id_set_name(id, n);
      a.selem_id_set_index(id, 0);
      if (snd_mixer_elem_t* e = a.find_selem(mixer_, id); e && has(e)) {
        found = e;
        break;
      }
    }
    a.selem_id_free(id);
    return found;
  }

  snd_mixer_t* mixer_;
  std::string name_;
  snd_mixer_elem_t* elems_[3] = {};
};

}  // namespace

int firstAlsaCard(std::string& why) {
  const Alsa& a = alsa();
  if (!a.ok) {
    why = "libasound.so.2 is not there";
    return -1;
  }
  int card = -1;
  if (a.card_next(&card) != 0 || card < 0) {
    why = "no sound card";
    return -1;
  }
  return card;
}

int alsaCardNamed(const std::string& deviceName) {
  const Alsa& a = alsa();
  if (!a.ok || deviceName.empty()) return -1;
  int card = -1;
  while (a.card_next(&card) == 0 && card >= 0) {
    char* name = nullptr;
    char* longName = nullptr;
    const std::string shortText = a.card_get_name(card, &name) == 0 ? takeString(name) : "";
    const std::string longText = a.card_get_longname(card, &longName) == 0 ? takeString(longName) : "";
    for (const std::string& text : {shortText, longText})
      if (!text.empty() && deviceName.find(text) != std::string::npos) return card;
  }
  return -1;
}

std::unique_ptr<MixerBackend> openAlsaMixer(int card, std::string& why) {
  const Alsa& a = alsa();
  if (!a.ok) {
    why = "libasound.so.2 is not there";
    return nullptr;
  }
  const std::string device = "hw:" + std::to_string(card);
  snd_mixer_t* mixer = nullptr;
  if (int r = a.mixer_open(&mixer, 0); r != 0) {
    why = "snd_mixer_open: " + std::to_string(r);
    return nullptr;
  }
  int r = a.mixer_attach(mixer, device.c_str());
  if (r == 0) r = a.selem_register(mixer, nullptr, nullptr);
  if (r == 0) r = a.mixer_load(mixer);
  if (r != 0) {
    why = "snd_mixer_attach/load " + device + ": " + std::to_string(r);
    a.mixer_close(mixer);
    return nullptr;
  }
  char* name = nullptr;
  const std::string cardName = a.card_get_name(card, &name) == 0 ? takeString(name) : device;
  return std::make_unique<AlsaMixer>(mixer, cardName + " (" + device + ")");
}

}  // namespace audiocomponent
