#include "tools/demo_content/patch_source.h"

#include "tools/demo_content/source_text.h"

namespace {

bool readField(std::string_view name, std::string_view value, PatchSource& patch, std::string& problem) {
    if (name == "title" || name == "comment") {
        if (!isPlainAscii(value)) {
            problem = std::string(name) + " must be plain ASCII text";
            return false;
        }
        (name == "title" ? patch.title : patch.comment) = value;
        return true;
    }
    if (name == "reset") {
        if (value != "gm" && value != "none") problem = "reset must be gm or none";
        patch.generalMidiReset = value == "gm";
        return problem.empty();
    }
    problem = "unknown field '" + std::string(name) + "'";
    return false;
}

// "2  33  110  70  20  0": channel, program, volume, pan, reverb, chorus;
// '-' leaves a setting out.
bool readChannel(std::string_view line, PatchSource& patch, std::string& problem) {
    std::vector<std::string_view> words = splitWords(line);
    if (words.size() != 6) {
        problem = "a channel row has six columns: channel program volume pan reverb chorus";
        return false;
    }
    ChannelSetup setup;
    int32_t* settings[] = {&setup.program, &setup.volume, &setup.pan, &setup.reverb, &setup.chorus};
    const char* names[] = {"program", "volume", "pan", "reverb", "chorus"};
    auto channel = parseInteger(words[0], 1, 16);
    if (!channel) {
        problem = "channel must be a number from 1 to 16";
        return false;
    }
    setup.channel = *channel;
    for (size_t i = 0; i < 5; ++i) {
        if (words[i + 1] == "-") continue;
        int32_t low = i == 0 ? 1 : 0, high = i == 0 ? 128 : 127;
        auto value = parseInteger(words[i + 1], low, high);
        if (!value) {
            problem = std::string(names[i]) + " must be - or a number from " + std::to_string(low) + " to " +
                      std::to_string(high);
            return false;
        }
        *settings[i] = *value;
    }
    for (const ChannelSetup& other : patch.channels)
        if (other.channel == setup.channel) {
            problem = "channel " + std::to_string(setup.channel) + " has two rows";
            return false;
        }
    patch.channels.push_back(setup);
    return true;
}

}  // namespace

std::optional<PatchSource> parsePatchSource(std::string_view text, std::string& error) {
    PatchSource patch;
    for (const SourceLine& line : meaningfulLines(text)) {
        std::string problem;
        std::string_view name, value;
        bool read = splitField(line.text, name, value) ? readField(name, value, patch, problem)
                                                        : readChannel(line.text, patch, problem);
        if (!read) {
            error = lineError(line.number, problem);
            return std::nullopt;
        }
    }
    if (patch.title.empty()) error = "the patch has no title";
    else if (!patch.generalMidiReset && patch.channels.empty()) error = "the patch sends nothing";
    if (!error.empty()) return std::nullopt;
    return patch;
}
