#pragma once
// The ALSA simple mixer behind the system audio component. libasound is loaded when first
// needed, so a machine without it runs without the component. GUI thread.
#include <memory>
#include <string>

#include "audiocomponent/SystemAudioComponent.h"

namespace audiocomponent {

// The first sound card's number, or -1 with `why` (no libasound, no card).
int firstAlsaCard(std::string& why);
// The card whose name or long name the device name holds, or -1.
int alsaCardNamed(const std::string& deviceName);
// The simple mixer of card `card` ("hw:N"): master ("Master", else "PCM", "Speaker",
// "Headphone") playback, capture ("Capture", else "Mic", "Internal Mic") capture and
// monitoring ("Mic", else "Front Mic") playback. Null with `why`.
std::unique_ptr<MixerBackend> openAlsaMixer(int card, std::string& why);

}  // namespace audiocomponent
