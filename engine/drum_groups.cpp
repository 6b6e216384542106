#include "engine/drum_groups.h"

#include "engine/player_state.h"
#include "midi/midi_bytes.h"
#include "midi/ports/midi_io.h"
#include "midi/status/midi_status.h"

#include <algorithm>

// Groups after the General MIDI percussion key map: 1 bass drums, 2 snares,
// 3 toms, 4 hi-hats, 5 crash, Chinese and splash cymbals, 6 everything else
// (ride cymbals and bell included).
const int8_t drumGroupOfKey[129] = {
    6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6,  //   0- 15
    6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6,  //  16- 31
    6, 6, 6, 1, 1, 6, 2, 6, 2, 3, 4, 3, 4, 3, 4, 3,  //  32- 47
    3, 5, 3, 6, 5, 6, 6, 5, 6, 5, 6, 6, 6, 6, 6, 6,  //  48- 63
    6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6,  //  64- 79
    6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6,  //  80- 95
    6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6,  //  96-111
    6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6,  // 112-127
    7,                                               // no key: the master
};

namespace {

int32_t groupOfKey(int32_t key) {
    return drumGroupOfKey[std::clamp(key, 0, 127)];
}

bool isUsableGroup(int32_t group) {
    return group >= 0 && group < kDrumGroupCount;
}

// Sends a velocity-0 note-on (which ends a sounding note) for every drum key
// `ends` picks, in ascending order, to the port and then to the output
// mirror. The caller holds the lock and has checked midiOut.
template <typename Picks>
void endDrumKeys(Picks ends) {
    PlayerState& p = playerState;
    for (int32_t key = 0; key < 128; ++key) {
        if (!ends(key))
            continue;
        const uint8_t message[3] = {kDrumNoteOn, static_cast<uint8_t>(key), 0x00};
        MIDIOut_PutMIDIMessage(p.handles.midiOut, message, 3);
        if (p.handles.midiOutStatus)
            MIDIStatus_PutMIDIMessage(p.handles.midiOutStatus, message, 3);
    }
}

bool isSounding(int32_t key) {
    return MIDIPart_GetNoteKeep(MIDIStatus_GetMIDIPart(playerState.handles.midiOutStatus, kDrumChannel),
                                key) != 0;
}

// Any |product| at or above this scales to at least 128 with a level of 1 or
// more, so saturating there keeps the result and keeps the next product
// inside 64 bits.
constexpr int64_t kProductSaturation = 128 * 10000;

}  // namespace

bool isDrumNoteEnabled(int32_t key) {
    QUILLBEX_ASSERT_LOCK_HELD();
    return playerState.settings.noteCheck[groupOfKey(key)].load() != 0 &&
           playerState.settings.noteCheck[kMasterDrumGroup].load() != 0;
}

// velocity × group level × master level / 10000, clamped to 0..127. Levels
// come from the settings file unchecked, so the product is formed in 64 bits
// and saturated instead of overflowing.
int32_t scaleDrumVelocity(int32_t key, int32_t velocity) {
    QUILLBEX_ASSERT_LOCK_HELD();
    const int64_t groupLevel = playerState.settings.noteLevel[groupOfKey(key)].load();
    const int64_t masterLevel = playerState.settings.noteLevel[kMasterDrumGroup].load();
    int64_t product = int64_t{velocity} * groupLevel;
    product = std::clamp(product, -kProductSaturation, kProductSaturation);
    const int64_t scaled = product * masterLevel / 10000;
    return static_cast<int32_t>(std::clamp<int64_t>(scaled, 0, 127));
}

void setGroupEnabled(int32_t group, int32_t enabled) {
    QUILLBEX_ASSERT_LOCK_NOT_HELD();
    if (!isUsableGroup(group))
        return;
    PlayerState& p = playerState;
    // Stored before the lock so that a pass starting after this already
    // filters the group; a note a running pass still sends is ended below.
    p.settings.noteCheck[group] = enabled;
    std::lock_guard guard(p.lock);
    if (enabled != 0 || !p.handles.midiOut)
        return;
    if (group != kMasterDrumGroup) {
        endDrumKeys([group](int32_t key) { return drumGroupOfKey[key] == group; });
    } else if (p.handles.midiOutStatus) {
        // The master owns no key but mutes every one: the keys that still
        // sound end.
        endSoundingDrumKeys();
    } else {
        // Without the mirror there is no telling which keys sound.
        endDrumKeys([](int32_t) { return true; });
    }
}

void endSoundingDrumKeys() {
    QUILLBEX_ASSERT_LOCK_HELD();
    if (playerState.handles.midiOut && playerState.handles.midiOutStatus)
        endDrumKeys(isSounding);
}

// The up-down control reports an invalid edit text as its previous position
// with an error word in the high 16 bits; such a value is no level, so the
// group keeps the one it had.
void setGroupLevel(int32_t group, int32_t level) {
    if (!isUsableGroup(group) || level < 0 || level > 0xFFFF)
        return;
    playerState.settings.noteLevel[group] = level;
}
