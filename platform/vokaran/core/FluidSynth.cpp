#include "core/Synth.h"

#include <fluidsynth.h>

namespace vokaran {
namespace {

struct SettingsDeleter { void operator()(fluid_settings_t* s) const { delete_fluid_settings(s); } };
struct SynthDeleter { void operator()(fluid_synth_t* s) const { delete_fluid_synth(s); } };

class FluidSynthImpl final : public Synth {
public:
    FluidSynthImpl(std::unique_ptr<fluid_settings_t, SettingsDeleter> settings,
                   std::unique_ptr<fluid_synth_t, SynthDeleter> synth)
        : settings_(std::move(settings)), synth_(std::move(synth)) {}
    ~FluidSynthImpl() override {
        synth_.reset();  // the synth refers to its settings
        settings_.reset();
    }

    void noteOn(int ch, int key, int vel) override { fluid_synth_noteon(synth_.get(), ch, key, vel); }
    void noteOff(int ch, int key) override { fluid_synth_noteoff(synth_.get(), ch, key); }
    void controlChange(int ch, int ctrl, int value) override { fluid_synth_cc(synth_.get(), ch, ctrl, value); }
    void programChange(int ch, int program) override { fluid_synth_program_change(synth_.get(), ch, program); }
    void pitchBend(int ch, int value) override { fluid_synth_pitch_bend(synth_.get(), ch, value); }
    void channelPressure(int ch, int value) override { fluid_synth_channel_pressure(synth_.get(), ch, value); }
    void keyPressure(int ch, int key, int value) override { fluid_synth_key_pressure(synth_.get(), ch, key, value); }
    void allNotesOff() override { fluid_synth_all_notes_off(synth_.get(), -1); }
    void reset() override {
        fluid_synth_all_notes_off(synth_.get(), -1);
        for (int ch = 0; ch < 16; ++ch) {
            fluid_synth_cc(synth_.get(), ch, 121, 0);  // reset all controllers
            fluid_synth_cc(synth_.get(), ch, 7, 100);
            fluid_synth_cc(synth_.get(), ch, 10, 64);
            fluid_synth_pitch_bend(synth_.get(), ch, 8192);
            if (ch != 9) fluid_synth_program_change(synth_.get(), ch, 0);
        }
    }
    void render(float* out, int frames) override {
        fluid_synth_write_float(synth_.get(), frames, out, 0, 2, out, 1, 2);
    }

private:
    std::unique_ptr<fluid_settings_t, SettingsDeleter> settings_;
    std::unique_ptr<fluid_synth_t, SynthDeleter> synth_;
};

void quietLogs() {
    // FluidSynth prints warnings to stderr from any thread, the engine thread included;
    // keep only its errors, which come from the set-up calls below.
    static bool done = false;
    if (done) return;
    done = true;
    fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
    fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
    fluid_set_log_function(FLUID_DBG, nullptr, nullptr);
}

} // namespace

std::unique_ptr<Synth> createFluidSynth(const EngineData& data, std::string& error) {
    quietLogs();
    std::unique_ptr<fluid_settings_t, SettingsDeleter> settings(new_fluid_settings());
    if (!settings) {
        error = "new_fluid_settings failed";
        return nullptr;
    }
    auto* s = settings.get();
    fluid_settings_setnum(s, "synth.sample-rate", data.sampleRate);
    fluid_settings_setnum(s, "synth.gain", data.synthGain);
    fluid_settings_setint(s, "synth.polyphony", data.polyphony);
    fluid_settings_setint(s, "synth.reverb.active", data.reverb ? 1 : 0);
    fluid_settings_setint(s, "synth.chorus.active", data.chorus ? 1 : 0);
    fluid_settings_setint(s, "synth.threadsafe-api", 0);
    fluid_settings_setint(s, "synth.cpu-cores", 1);
    std::unique_ptr<fluid_synth_t, SynthDeleter> synth(new_fluid_synth(s));
    if (!synth) {
        error = "new_fluid_synth failed";
        return nullptr;
    }
    if (fluid_synth_sfload(synth.get(), data.soundFont.c_str(), 1) == FLUID_FAILED) {
        error = "fluid_synth_sfload failed for " + data.soundFont;
        return nullptr;
    }
    return std::make_unique<FluidSynthImpl>(std::move(settings), std::move(synth));
}

} // namespace vokaran
