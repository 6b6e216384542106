#include "tools/demo_content/patch_file.h"

#include "tools/demo_content/smf_writer.h"

const char kPatchCopyright[] = "Quillbex demo patch";
const uint8_t kGeneralMidiReset[6] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};

namespace {

constexpr uint8_t kVolume = 7, kPan = 10, kReverb = 91, kChorus = 93;

void sendChannel(SmfTrackWriter& track, int32_t tick, const ChannelSetup& setup) {
    uint8_t channel = uint8_t(setup.channel - 1);
    if (setup.program >= 0) track.channelMessage(tick, {uint8_t(0xC0 | channel), uint8_t(setup.program - 1)});
    const std::pair<uint8_t, int32_t> controllers[] = {
        {kVolume, setup.volume}, {kPan, setup.pan}, {kReverb, setup.reverb}, {kChorus, setup.chorus}};
    for (auto [number, value] : controllers)
        if (value >= 0) track.channelMessage(tick, {uint8_t(0xB0 | channel), number, uint8_t(value)});
}

}  // namespace

std::vector<uint8_t> patchFile(const PatchSource& patch) {
    SmfTrackWriter track;
    track.text(0, kMetaCopyright, kPatchCopyright);
    track.text(0, kMetaTrackName, patch.title);
    if (!patch.comment.empty()) track.text(0, kMetaText, patch.comment);
    int32_t settingsTick = 0;
    if (patch.generalMidiReset) {
        track.systemExclusive(0, kGeneralMidiReset);
        settingsTick = kPatchResolution / 2;
    }
    for (const ChannelSetup& setup : patch.channels) sendChannel(track, settingsTick, setup);
    track.endOfTrack(patch.channels.empty() ? 0 : settingsTick);
    return formatZeroFile(uint16_t(kPatchResolution), track);
}
