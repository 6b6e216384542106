#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "engine/drum_groups.h"
#include "midi/song/midi_data.h"
#include "tools/demo_content/demo_content.h"
#include "tools/demo_content/patch_source.h"
#include "tools/demo_content/pattern_file.h"
#include "tools/demo_content/pattern_source.h"

namespace {

namespace fs = std::filesystem;

const fs::path repository = QUILLBEX_SOURCE_DIR;

struct SongDeleter {
    void operator()(MIDIData* song) const { MIDIData_Delete(song); }
};
using SongPtr = std::unique_ptr<MIDIData, SongDeleter>;

SongPtr loadCommitted(const fs::path& relative) {
    return SongPtr(MIDIData_LoadFromSMFW((repository / relative).wstring().c_str()));
}

std::vector<uint8_t> readBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

struct Event {
    int32_t tick;
    std::vector<uint8_t> bytes;
};

std::vector<Event> eventsOf(const MIDIData* song) {
    std::vector<Event> events;
    for (MIDITrack* track = MIDIData_GetFirstTrack(song); track; track = MIDITrack_GetNextTrack(track))
        for (MIDIEvent* e = MIDITrack_GetFirstEvent(track); e; e = MIDIEvent_GetNextEvent(e))
            events.push_back({e->time, std::vector<uint8_t>(e->data, e->data + e->length)});
    return events;
}

std::wstring text(const MIDIData* song, int32_t (*get)(const MIDIData*, wchar_t*, int32_t)) {
    wchar_t buffer[1024];
    get(song, buffer, 1024);
    return buffer;
}

std::wstring wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

PatternSource patternSource(const fs::path& source) {
    std::string error;
    std::optional<PatternSource> pattern = parsePatternSource(readTextFile(source).value_or(""), error);
    EXPECT_TRUE(pattern) << error;
    return pattern.value_or(PatternSource{});
}

using Note = std::tuple<int32_t, int, int>;  // tick, key, velocity

TEST(DemoContent, CommittedFilesAreExactlyWhatTheSourcesMake) {
    std::vector<std::string> errors;
    std::vector<DemoFile> files = makeDemoContent(repository / "content", errors);
    for (const std::string& error : errors) ADD_FAILURE() << error;
    std::set<fs::path> made, committed;
    for (const DemoFile& file : files) {
        made.insert(file.output);
        EXPECT_EQ(readBytes(repository / file.output), file.bytes)
            << file.output.string() << " differs from its source: remake it with the demo_content target";
    }
    for (const char* folder : {"pattern", "patch"})
        for (const auto& entry : fs::directory_iterator(repository / folder))
            committed.insert(fs::path(folder) / entry.path().filename());
    EXPECT_EQ(committed, made) << "every committed file has a source, every source its file";
}

// Loaded by the player's own song reader, each pattern holds what its grid
// says and loops on whole bars.
TEST(DemoContent, EveryPatternLoadsAsItsSourceReads) {
    int patterns = 0;
    for (const fs::path& source : sourceFilesIn(repository / "content" / "patterns")) {
        SCOPED_TRACE(source.filename().string());
        PatternSource pattern = patternSource(source);
        SongPtr song = loadCommitted(fs::path("pattern") / (source.stem().string() + ".mid"));
        ASSERT_TRUE(song);
        ++patterns;

        int32_t timeMode = -1, resolution = -1;
        MIDIData_GetTimeBase(song.get(), &timeMode, &resolution);
        EXPECT_EQ(std::make_pair(timeMode, resolution), std::make_pair(0, pattern.resolution));
        const int32_t bars = pattern.stepCount / (pattern.beatsPerBar * pattern.stepsPerBeat);
        const int32_t end = bars * pattern.beatsPerBar * pattern.resolution * 4 / pattern.beatNote;
        EXPECT_EQ(MIDIData_GetBeginTime(song.get()), 0);
        EXPECT_EQ(MIDIData_GetEndTime(song.get()), end);
        int32_t measure = -1, beat = -1;
        MIDIData_BreakTime(song.get(), end - 1, &measure, &beat, nullptr);
        EXPECT_EQ(std::make_pair(measure, beat), std::make_pair(bars - 1, pattern.beatsPerBar - 1)) << "meter";
        EXPECT_EQ(MIDIData_TimeToMillisec(song.get(), end),
                  int64_t(end) * (60000000 / pattern.quartersPerMinute) / pattern.resolution / 1000)
            << "tempo";
        EXPECT_EQ(text(song.get(), MIDIData_GetTitleW), wide(pattern.title));
        EXPECT_EQ(text(song.get(), MIDIData_GetCopyrightW), L"Quillbex demo pattern");
        EXPECT_EQ(text(song.get(), MIDIData_GetCommentW), wide(pattern.comment));

        std::vector<Note> expected, played;
        for (const DrumRow& row : pattern.rows)
            for (int32_t step = 0; step < pattern.stepCount; ++step)
                if (row.velocities[size_t(step)] > 0)
                    expected.emplace_back(stepTick(pattern, step), row.key, row.velocities[size_t(step)]);
        std::set<int> sounding;
        for (const Event& e : eventsOf(song.get())) {
            if (e.bytes[0] == 0xFF || e.bytes[0] == 0xF0) continue;
            ASSERT_EQ(e.bytes.size(), 3u);
            ASSERT_EQ(e.bytes[0], 0x99) << "only note-ons on channel 10 at tick " << e.tick;
            bool on = e.bytes[2] > 0;
            EXPECT_NE(sounding.count(e.bytes[1]) > 0, on) << "key " << int(e.bytes[1]) << " at tick " << e.tick;
            if (on) sounding.insert(e.bytes[1]), played.emplace_back(e.tick, e.bytes[1], e.bytes[2]);
            else sounding.erase(e.bytes[1]);
            EXPECT_LT(e.tick, end);
        }
        EXPECT_TRUE(sounding.empty()) << "every note ends before the loop comes round";
        std::sort(expected.begin(), expected.end());
        std::sort(played.begin(), played.end());
        EXPECT_EQ(played, expected);
    }
    EXPECT_GE(patterns, 16);
}

// Ticks worked out by hand: swing, triplets, compound meter and the three
// resolutions other than 480.
TEST(DemoContent, NotesLandWhereADrummerCountsThem) {
    struct Landmark {
        const char* file;
        int32_t tick;
        int key, velocity;
    } landmarks[] = {
        {"Swing", 480 + 322, 51, 85},                  // ride on the "and" of 2, swung 67%
        {"Hip-Hop", 7 * 240 + 139, 42, 85},            // hi-hat on the "a" of 4, swung 58%
        {"Shuffle", 2 * 160, 42, 85},                  // hi-hat on the third triplet of 1
        {"6-8 Ballad", 3 * 240, 38, 127},              // backbeat on the fourth eighth
        {"Resolution 24 - Pop", 24, 38, 127},          // backbeat on 2
        {"Resolution 96 - Blues 12-8", 3 * 48, 38, 127},
        {"Resolution 960 - Trap", 1920, 40, 127},      // half-time snare on 3
        {"Resolution 960 - Trap", 31 * 120, 42, 113},  // last thirty-second of the roll
    };
    for (const Landmark& landmark : landmarks) {
        SongPtr song = loadCommitted(fs::path("pattern") / (std::string(landmark.file) + ".mid"));
        ASSERT_TRUE(song) << landmark.file;
        bool found = false;
        for (const Event& e : eventsOf(song.get()))
            found |= e.tick == landmark.tick && e.bytes == std::vector<uint8_t>{0x99, uint8_t(landmark.key),
                                                                                uint8_t(landmark.velocity)};
        EXPECT_TRUE(found) << landmark.file << ": key " << landmark.key << " at tick " << landmark.tick;
    }
}

TEST(DemoContent, PatternsTogetherSoundEveryDrumGroup) {
    std::set<int> groups;
    for (const fs::path& source : sourceFilesIn(repository / "content" / "patterns"))
        for (const DrumRow& row : patternSource(source).rows) groups.insert(drumGroupOfKey[row.key]);
    EXPECT_EQ(groups, (std::set<int>{1, 2, 3, 4, 5, 6}));
}

// A patch goes out raw and once: the reset whole first, then the channels'
// settings once the synthesizer has had time to reset.
TEST(DemoContent, PatchesResetFirstThenSetTheirChannels) {
    const std::vector<uint8_t> reset = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    for (const fs::path& source : sourceFilesIn(repository / "content" / "patches")) {
        SCOPED_TRACE(source.filename().string());
        std::string error;
        std::optional<PatchSource> patch = parsePatchSource(readTextFile(source).value_or(""), error);
        ASSERT_TRUE(patch) << error;
        SongPtr song = loadCommitted(fs::path("patch") / (source.stem().string() + ".mid"));
        ASSERT_TRUE(song);
        EXPECT_EQ(text(song.get(), MIDIData_GetTitleW), wide(patch->title));
        EXPECT_EQ(text(song.get(), MIDIData_GetCopyrightW), L"Quillbex demo patch");

        std::vector<Event> sent;
        for (const Event& e : eventsOf(song.get()))
            if (e.bytes[0] != 0xFF) sent.push_back(e);
        ASSERT_FALSE(sent.empty());
        EXPECT_EQ(sent.front().bytes == reset && sent.front().tick == 0, patch->generalMidiReset);
        std::set<int> channels;
        for (const Event& e : sent)
            if (e.bytes[0] != 0xF0) {
                EXPECT_EQ(e.tick, patch->generalMidiReset ? 240 : 0);
                channels.insert((e.bytes[0] & 0x0F) + 1);
            }
        EXPECT_EQ(channels.size(), patch->channels.size());
    }

    SongPtr trio = loadCommitted("patch/Piano Bass Drums.mid");
    ASSERT_TRUE(trio);
    std::vector<std::vector<uint8_t>> messages;
    for (const Event& e : eventsOf(trio.get()))
        if (e.bytes[0] != 0xFF) messages.push_back(e.bytes);
    EXPECT_EQ(messages, (std::vector<std::vector<uint8_t>>{
                            reset,
                            {0xC0, 0}, {0xB0, 7, 100}, {0xB0, 10, 50}, {0xB0, 91, 40}, {0xB0, 93, 0},
                            {0xC1, 32}, {0xB1, 7, 110}, {0xB1, 10, 72}, {0xB1, 91, 24}, {0xB1, 93, 0},
                            {0xC9, 0}, {0xB9, 7, 100}, {0xB9, 10, 64}, {0xB9, 91, 48}, {0xB9, 93, 0},
                        }));
}

// A mistake in a source is reported with its line, and nothing is made of it.
TEST(DemoContentSource, RefusesMistakesNamingTheLine) {
    const std::string head = "title: T\nmeter: 4/4\ntempo: 120\nsteps: 1\n";
    struct Case {
        std::string text;
        const char* error;
    } patterns[] = {
        {head + "snair x...\n", "line 5: unknown drum 'snair'"},
        {head + "kick x..z\n", "line 5: 'z' is no step"},
        {head + "kick x...\n36 x...\n", "line 6: drum 36 already has the row on line 5"},
        {head + "kick x...\nsnare x.......\n", "line 6: the row has 8 steps, the first row 4"},
        {head + "kick x..\n", "line 5: the rows must fill whole bars of 4 steps"},
        {head + "tempo: 12\nkick x...\n", "line 5: tempo must be a number from 20 to 300"},
        {head + "feel: lazy\n", "line 5: unknown field 'feel'"},
        {"title: Caf\xC3\xA9\n", "line 1: title must be plain ASCII text"},
        {"title: T\nmeter: 4/5\n", "line 2: meter must read like 4/4 or 6/8"},
        {head + "swing: 60\nkick x...\n", "swing needs an even number of steps per beat"},
        {head + "resolution: 10\nsteps: 3\nkick x..x..x..x..\n", "at this resolution a beat cannot be split"},
        {"meter: 4/4\ntempo: 120\nsteps: 1\nkick x...\n", "the pattern has no title"},
    };
    for (const Case& c : patterns) {
        std::string error;
        EXPECT_FALSE(parsePatternSource(c.text, error)) << c.text;
        EXPECT_EQ(error.substr(0, std::strlen(c.error)), c.error);
    }
    Case patches[] = {
        {"title: P\n1 1 100 64 40\n", "line 2: a channel row has six columns"},
        {"title: P\n17 1 100 64 40 0\n", "line 2: channel must be a number from 1 to 16"},
        {"title: P\n1 0 100 64 40 0\n", "line 2: program must be - or a number from 1 to 128"},
        {"title: P\n1 1 - - - -\n1 2 - - - -\n", "line 3: channel 1 has two rows"},
        {"title: P\nreset: gs\n", "line 2: reset must be gm or none"},
        {"title: P\nreset: none\n", "the patch sends nothing"},
    };
    for (const Case& c : patches) {
        std::string error;
        EXPECT_FALSE(parsePatchSource(c.text, error)) << c.text;
        EXPECT_EQ(error.substr(0, std::strlen(c.error)), c.error);
    }
}

}  // namespace
