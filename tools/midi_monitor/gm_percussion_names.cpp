#include "tools/midi_monitor/gm_percussion_names.h"

#include <iterator>

namespace {

constexpr uint8_t kFirstKey = 27;

// Keys 35..81 are the General MIDI Level 1 kit; 27..34 and 82..87 are the
// extra sounds that General MIDI 2 and most sound sets add around it.
constexpr std::string_view kNames[] = {
    "High Q",         "Slap",            "Scratch Push",   "Scratch Pull",  "Sticks",
    "Square Click",   "Metronome Click", "Metronome Bell", "Acoustic Bass Drum",
    "Bass Drum 1",    "Side Stick",      "Acoustic Snare", "Hand Clap",     "Electric Snare",
    "Low Floor Tom",  "Closed Hi-Hat",   "High Floor Tom", "Pedal Hi-Hat",  "Low Tom",
    "Open Hi-Hat",    "Low-Mid Tom",     "Hi-Mid Tom",     "Crash Cymbal 1", "High Tom",
    "Ride Cymbal 1",  "Chinese Cymbal",  "Ride Bell",      "Tambourine",    "Splash Cymbal",
    "Cowbell",        "Crash Cymbal 2",  "Vibraslap",      "Ride Cymbal 2", "Hi Bongo",
    "Low Bongo",      "Mute Hi Conga",   "Open Hi Conga",  "Low Conga",     "High Timbale",
    "Low Timbale",    "High Agogo",      "Low Agogo",      "Cabasa",        "Maracas",
    "Short Whistle",  "Long Whistle",    "Short Guiro",    "Long Guiro",    "Claves",
    "Hi Wood Block",  "Low Wood Block",  "Mute Cuica",     "Open Cuica",    "Mute Triangle",
    "Open Triangle",  "Shaker",          "Jingle Bell",    "Belltree",      "Castanets",
    "Mute Surdo",     "Open Surdo",
};

}  // namespace

std::string_view gmPercussionName(uint8_t key) {
    if (key < kFirstKey || key - kFirstKey >= static_cast<int>(std::size(kNames))) return {};
    return kNames[key - kFirstKey];
}
