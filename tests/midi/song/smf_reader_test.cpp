#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "tests/support/smf_builder.h"
#include "tests/midi/song/song_test_helpers.h"
#include "tests/support/bytes.h"

namespace {


TEST(SmfReader, StoresEveryKindOfEventAsItGoesOnTheWire) {
    SmfBuilder file(96, 0);
    file.track()
        .noteOn(0, 9, 36, 100)
        .message(0, {38, 90})              // running status: note-on 0x99
        .message(24, {0xC9, 5})            // program change, one data byte
        .message(24, {7})                  // running status on a one-byte message
        .meta(48, 0x7F, {1, 2, 3})         // sequencer-specific, kept
        .sysex(48, 0xF0, {0x7E, 0x7F, 0x09, 0x01, 0xF7})
        .sysex(60, 0xF7, {0xF8})           // escaped real-time byte
        .noteOff(72, 9, 36, 64)
        .endOfTrack(96);
    SongPtr song = loadSong(file.bytes());
    ASSERT_TRUE(song);
    std::vector<StoredEvent> expected = {
        {0, {0x99, 36, 100}},
        {0, {0x99, 38, 90}},
        {24, {0xC9, 5}},
        {24, {0xC9, 7}},
        {48, {0xFF, 0x7F, 1, 2, 3}},
        {48, {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}},
        {60, {0xF7, 0xF8}},
        {72, {0x89, 36, 64}},
        {96, {0xFF, 0x2F}},
    };
    EXPECT_EQ(eventsOf(MIDIData_GetFirstTrack(song.get())), expected);
    EXPECT_EQ(MIDIData_CountTrack(song.get()), 1);
    EXPECT_EQ(MIDIData_GetFormat(song.get()), 0);
}

TEST(SmfReader, ReadsTracksOfEveryFormatInFileOrder) {
    for (uint16_t format : {0, 1, 2}) {
        SmfBuilder file(480, format);
        file.track().trackName(0, "first").endOfTrack(0);
        file.chunk("XFIH", {1, 2, 3, 4});  // unknown chunks are skipped
        file.track().noteOn(10, 9, 42, 80).endOfTrack(480);
        file.rawTrack();                   // an empty track stays a track
        SongPtr song = loadSong(file.bytes());
        ASSERT_TRUE(song) << format;
        EXPECT_EQ(MIDIData_GetFormat(song.get()), format);
        ASSERT_EQ(MIDIData_CountTrack(song.get()), 3);
        EXPECT_EQ(eventsOf(trackAt(song.get(), 0)).size(), 2u);
        EXPECT_EQ(eventsOf(trackAt(song.get(), 1)).front(), (StoredEvent{10, {0x99, 42, 80}}));
        EXPECT_EQ(MIDITrack_GetFirstEvent(trackAt(song.get(), 2)), nullptr);
        EXPECT_EQ(trackAt(song.get(), 3), nullptr);
    }
}

TEST(SmfReader, AcceptsATrackWithoutEndOfTrackAndIgnoresPaddingAfterIt) {
    SmfBuilder file;
    file.rawTrack().noteOn(0, 9, 36, 100).noteOn(240, 9, 36, 0);
    file.track().noteOn(0, 9, 38, 100).endOfTrack(100).raw({0x00, 0x00, 0x00});
    SongPtr song = loadSong(file.bytes());
    ASSERT_TRUE(song);
    EXPECT_EQ(eventsOf(trackAt(song.get(), 0)).size(), 2u);
    EXPECT_EQ(eventsOf(trackAt(song.get(), 1)).size(), 2u);
    EXPECT_EQ(MIDIData_GetEndTime(song.get()), 240);
}

TEST(SmfReader, BeginAndEndSpanAllTracksAndCountTheEndOfTrack) {
    SmfBuilder file(480, 1);
    file.track().tempo(0, 500000).endOfTrack(0);
    file.track().noteOn(120, 9, 36, 100).noteOn(240, 9, 36, 0).endOfTrack(1920);
    SongPtr song = loadSong(file.bytes());
    ASSERT_TRUE(song);
    EXPECT_EQ(MIDIData_GetBeginTime(song.get()), 0);
    EXPECT_EQ(MIDIData_GetEndTime(song.get()), 1920);

    SmfBuilder late(480, 1);
    late.track().noteOn(100, 9, 36, 100).endOfTrack(400);
    late.track().noteOn(50, 9, 38, 100).endOfTrack(200);
    song = loadSong(late.bytes());
    ASSERT_TRUE(song);
    EXPECT_EQ(MIDIData_GetBeginTime(song.get()), 50);
    EXPECT_EQ(MIDIData_GetEndTime(song.get()), 400);
}

TEST(SmfReader, MapsDivisionsToTimeModeAndResolution) {
    struct Case {
        uint16_t division;
        int32_t timeMode;
        int32_t resolution;
    } cases[] = {
        {480, 0, 480},     {0x7FFF, 0, 32767}, {0xE850, 24, 80},
        {0xE728, 25, 40},  {0xE364, 29, 100},  {0xE204, 30, 4},
    };
    for (const Case& c : cases) {
        SmfBuilder file(c.division, 0);
        file.track().endOfTrack(0);
        SongPtr song = loadSong(file.bytes());
        ASSERT_TRUE(song) << std::hex << c.division;
        int32_t timeMode = -1, resolution = -1;
        EXPECT_EQ(MIDIData_GetTimeBase(song.get(), &timeMode, &resolution), 1);
        EXPECT_EQ(timeMode, c.timeMode) << std::hex << c.division;
        EXPECT_EQ(resolution, c.resolution) << std::hex << c.division;
    }
}

Bytes withHeaderLength(uint32_t length, const Bytes& extra) {
    Bytes out = {'M', 'T', 'h', 'd', uint8_t(length >> 24), uint8_t(length >> 16), uint8_t(length >> 8),
                 uint8_t(length), 0, 0, 0, 1, 0, 96};
    out.insert(out.end(), extra.begin(), extra.end());
    Bytes track = {'M', 'T', 'r', 'k', 0, 0, 0, 4, 0x00, 0xFF, 0x2F, 0x00};
    out.insert(out.end(), track.begin(), track.end());
    return out;
}

TEST(SmfReader, SkipsTheRestOfALongerHeader) {
    SongPtr song = loadSong(withHeaderLength(8, {0xAA, 0xBB}));
    ASSERT_TRUE(song);
    EXPECT_EQ(eventsOf(MIDIData_GetFirstTrack(song.get())).size(), 1u);
}

Bytes validFile() {
    SmfBuilder file(480, 1);
    file.track().trackName(0, "Beat").noteOn(0, 9, 36, 100).noteOn(480, 9, 36, 0).endOfTrack(1920);
    return file.bytes();
}

Bytes truncated(Bytes bytes, size_t drop) {
    bytes.resize(bytes.size() - drop);
    return bytes;
}

Bytes oneTrack(std::initializer_list<uint8_t> events, uint16_t division = 480) {
    SmfBuilder file(division, 0);
    file.rawTrack().raw(events);
    return file.bytes();
}

TEST(SmfReader, RefusesMalformedFiles) {
    SmfBuilder noTracks;
    noTracks.declaredTrackCount(0);
    SmfBuilder format3(480, 3);
    format3.track().endOfTrack(0);
    SmfBuilder overflow;
    // Nine deltas of 0x0FFFFFFF pass the 32-bit tick range on the last.
    auto& longTrack = overflow.rawTrack();
    for (uint64_t i = 1; i <= 9; ++i) longTrack.noteOn(i * 0x0FFFFFFF, 0, 60, 1);

    struct Case {
        const char* name;
        Bytes bytes;
    } cases[] = {
        {"empty", {}},
        {"no MThd", {'R', 'I', 'F', 'F', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96}},
        {"short header", withHeaderLength(4, {})},
        {"header longer than the file", withHeaderLength(0xFFFFFFF0, {})},
        {"truncated header", truncated(validFile(), validFile().size() - 10)},
        {"truncated chunk header", truncated(validFile(), validFile().size() - 18)},
        {"format 3", format3.bytes()},
        {"no tracks", noTracks.bytes()},
        {"resolution 0", oneTrack({0x00, 0xFF, 0x2F, 0x00}, 0)},
        {"frames per second 23", oneTrack({0x00, 0xFF, 0x2F, 0x00}, 0xE950)},
        {"ticks per frame 0", oneTrack({0x00, 0xFF, 0x2F, 0x00}, 0xE700)},
        {"five-byte delta", oneTrack({0x81, 0x80, 0x80, 0x80, 0x00, 0x90, 60, 100})},
        {"delta cut off", oneTrack({0x81})},
        {"data byte with no status", oneTrack({0x00, 60, 100})},
        {"status byte as data", oneTrack({0x00, 0x90, 60, 0x80})},
        {"message cut off", oneTrack({0x00, 0x90, 60})},
        {"meta length past the chunk", oneTrack({0x00, 0xFF, 0x03, 0x10, 'a'})},
        {"meta type cut off", oneTrack({0x00, 0xFF})},
        {"meta length of five bytes", oneTrack({0x00, 0xFF, 0x03, 0x8F, 0xFF, 0xFF, 0xFF, 0x7F})},
        {"sysex length past the chunk", oneTrack({0x00, 0xF0, 0x05, 0x7E, 0xF7})},
        {"ticks past 32 bits", overflow.bytes()},
    };
    for (const Case& c : cases) EXPECT_FALSE(loadSong(c.bytes)) << c.name;
}

// Channel messages of every track, in file order.
std::vector<StoredEvent> channelMessagesOf(const MIDIData* song) {
    std::vector<StoredEvent> messages;
    for (MIDITrack* track = MIDIData_GetFirstTrack(song); track; track = MIDITrack_GetNextTrack(track))
        for (const StoredEvent& event : eventsOf(track))
            if (event.bytes[0] < 0xF0) messages.push_back(event);
    return messages;
}

std::array<int32_t, kMIDIDataRecoveryKinds> recoveriesOf(const MIDIData* song) {
    std::array<int32_t, kMIDIDataRecoveryKinds> counts{};
    for (int32_t kind = 0; kind < kMIDIDataRecoveryKinds; ++kind)
        counts[kind] = MIDIData_GetRecoveryCount(song, MIDIDataRecovery(kind));
    return counts;
}

// Two notes at 0 and 96, end of track at 120: 00 99 24 64 | 60 99 24 00 | 18 FF 2F 00.
Bytes twoNotes(uint16_t declaredTracks = 1) {
    SmfBuilder file(96, 0);
    file.track().noteOn(0, 9, 36, 100).noteOn(96, 9, 36, 0).endOfTrack(120);
    file.declaredTrackCount(declaredTracks);
    return file.bytes();
}

Bytes withTrackLength(Bytes bytes, uint32_t length) {
    for (int i = 0; i < 4; ++i) bytes[14 + 4 + i] = uint8_t(length >> (24 - 8 * i));  // the first MTrk's
    return bytes;
}

TEST(SmfReader, RecoversFromTheQuirksOfRealFilesAndRefusesWhatCannotBeRead) {
    SmfBuilder afterMetaAndSysex;
    afterMetaAndSysex.track()
        .noteOn(0, 9, 36, 100)
        .meta(10, 0x01, {'x'})
        .message(20, {38, 90})  // running status 0x99 again, after the meta event
        .sysex(30, 0xF0, {0xF7})
        .message(40, {42, 80})
        .sysex(50, 0xF7, {0xF8})
        .message(60, {36, 0});
    SmfBuilder strayBytes;
    auto& stray = strayBytes.track().noteOn(0, 9, 36, 100).message(10, {0xF8}).message(20, {0xF2, 0x10, 0x20});
    stray.message(25, {0xF1, 0x05}).message(30, {0xF3, 0x01}).message(40, {0xF4}).message(40, {0xF5});
    stray.message(40, {0xF6}).message(50, {0xFE}).message(50, {0xF9}).message(60, {38, 90});
    SmfBuilder strayOnly;
    strayOnly.rawTrack().message(0, {0xF8}).message(10, {0xF2, 0x00, 0x00});
    SmfBuilder strayWithStatusForData;
    strayWithStatusForData.track().noteOn(0, 9, 36, 100).message(10, {0xF2, 0x00, 0x90});
    SmfBuilder strayDeltasPast32Bits;
    auto& strayTrack = strayDeltasPast32Bits.track().noteOn(0, 9, 36, 100);
    for (uint64_t i = 1; i <= 9; ++i) strayTrack.message(i * 0x0FFFFFFF, {0xF8});
    SmfBuilder noStatusAfterMeta;
    noStatusAfterMeta.track().meta(0, 0x01, {'x'}).message(10, {38, 90});
    SmfBuilder statusFromAnEarlierTrack;
    statusFromAnEarlierTrack.track().noteOn(0, 9, 36, 100).endOfTrack(10);
    statusFromAnEarlierTrack.track().message(0, {60, 0});
    SmfBuilder middleTrackCut;
    middleTrackCut.rawTrack().noteOn(0, 9, 36, 100).raw({0x00, 0x99, 38});
    middleTrackCut.track().noteOn(0, 9, 42, 100);
    SmfBuilder cutAfterAFullTrack(96, 1);
    cutAfterAFullTrack.track().noteOn(0, 9, 36, 100).endOfTrack(96);
    cutAfterAFullTrack.track().noteOn(0, 9, 38, 100).noteOn(48, 9, 38, 0).endOfTrack(96);
    cutAfterAFullTrack.declaredTrackCount(3);

    using Notes = std::vector<StoredEvent>;
    const Notes bothNotes = {{0, {0x99, 36, 100}}, {96, {0x99, 36, 0}}};
    struct Row {
        const char* name;
        Bytes bytes;
        bool loads;
        Notes notes = {};
        int32_t end = 0;
        std::array<int32_t, kMIDIDataRecoveryKinds> recovered = {};  // running status, stray, cut, missing
    } rows[] = {
        {"running status after meta and sysex events", afterMetaAndSysex.bytes(), true,
         {{0, {0x99, 36, 100}}, {20, {0x99, 38, 90}}, {40, {0x99, 42, 80}}, {60, {0x99, 36, 0}}}, 60, {3, 0, 0, 0}},
        {"stray system bytes, their deltas counted", strayBytes.bytes(), true,
         {{0, {0x99, 36, 100}}, {60, {0x99, 38, 90}}}, 60, {0, 9, 0, 0}},
        {"end-of-track without its length byte", truncated(twoNotes(), 1), true, bothNotes, 120, {0, 0, 1, 0}},
        {"cut inside the end-of-track", truncated(twoNotes(), 2), true, bothNotes, 96, {0, 0, 1, 0}},
        {"cut inside the last note", truncated(twoNotes(), 5), true, {bothNotes[0]}, 0, {0, 0, 1, 0}},
        {"chunk length past the end of the file", withTrackLength(twoNotes(), 1000), true, bothNotes, 120,
         {0, 0, 1, 0}},
        {"fewer tracks than declared", twoNotes(3), true, bothNotes, 120, {0, 0, 0, 2}},
        {"absurd track count", twoNotes(60000), true, bothNotes, 120, {0, 0, 0, 59999}},
        {"last track cut, a third missing", truncated(cutAfterAFullTrack.bytes(), 6), true,
         {{0, {0x99, 36, 100}}, {0, {0x99, 38, 100}}}, 96, {0, 0, 1, 1}},
        {"chunk header cut", truncated(cutAfterAFullTrack.bytes(), 19), true, {{0, {0x99, 36, 100}}}, 96,
         {0, 0, 0, 2}},
        {"last track cut before its first event", truncated(twoNotes(), 12), false},
        {"cut inside the first event", truncated(twoNotes(), 10), false},
        {"second track cut right after its chunk header", truncated(cutAfterAFullTrack.bytes(), 12), false},
        {"incomplete event in a middle track", middleTrackCut.bytes(), false},
        {"stray bytes only", strayOnly.bytes(), false},
        {"stray system message with a status byte for data", strayWithStatusForData.bytes(), false},
        {"stray bytes' deltas past 32 bits", strayDeltasPast32Bits.bytes(), false},
        {"data byte after a meta event with no status before", noStatusAfterMeta.bytes(), false},
        {"running status from an earlier track", statusFromAnEarlierTrack.bytes(), false},
    };
    for (const Row& row : rows) {
        SongPtr song = loadSong(row.bytes);
        ASSERT_EQ(bool(song), row.loads) << row.name;
        if (!song) continue;
        EXPECT_EQ(channelMessagesOf(song.get()), row.notes) << row.name;
        EXPECT_EQ(MIDIData_GetEndTime(song.get()), row.end) << row.name;
        EXPECT_EQ(recoveriesOf(song.get()), row.recovered) << row.name;
    }
}

TEST(SmfReader, RefusesAFileLargerThanItsLimit) {
    Bytes large = validFile();
    large.resize(kMaxSongFileSize + 1);  // a valid file followed by zeros
    EXPECT_FALSE(MIDIData_LoadFromMemory(large.data(), large.size()));
    large.resize(kMaxSongFileSize);
    SongPtr song = loadSong(large);
    EXPECT_TRUE(song);
}

TEST(SmfReader, TicksUpToTheLastPositiveTickAreAccepted) {
    SmfBuilder file;
    auto& track = file.rawTrack();
    uint64_t tick = 0;
    while (tick + 0x0FFFFFFF < 0x7FFFFFFF) track.noteOn(tick += 0x0FFFFFFF, 0, 60, 1);
    track.noteOn(0x7FFFFFFF, 0, 60, 0);
    SongPtr song = loadSong(file.bytes());
    ASSERT_TRUE(song);
    EXPECT_EQ(MIDIData_GetEndTime(song.get()), 0x7FFFFFFF);
}

TEST(SmfReader, FindsTheFirstEventAtOrAfterATick) {
    SmfBuilder file;
    file.track().noteOn(0, 9, 36, 100).noteOn(240, 9, 38, 100).noteOn(240, 9, 42, 100).endOfTrack(960);
    SongPtr song = loadSong(file.bytes());
    ASSERT_TRUE(song);
    MIDITrack* track = MIDIData_GetFirstTrack(song.get());
    struct Case {
        int32_t tick;
        int expectedIndex;  // -1: none
    } cases[] = {{-5, 0}, {0, 0}, {1, 1}, {240, 1}, {241, 3}, {960, 3}, {961, -1}};
    for (const Case& c : cases) {
        MIDIEvent* found = MIDITrack_FindFirstEventAtOrAfter(track, c.tick);
        if (c.expectedIndex < 0)
            EXPECT_EQ(found, nullptr) << c.tick;
        else
            EXPECT_EQ(found, &track->events[c.expectedIndex]) << c.tick;
    }
    EXPECT_EQ(MIDITrack_FindFirstEventAtOrAfter(nullptr, 0), nullptr);
}

TEST(SmfReader, EveryCallAcceptsANullSong) {
    int32_t timeMode = 7, resolution = 7, measure = 7;
    wchar_t buffer[4] = L"abc";
    EXPECT_EQ(MIDIData_GetFormat(nullptr), 0);
    EXPECT_EQ(MIDIData_CountTrack(nullptr), 0);
    EXPECT_EQ(MIDIData_GetTimeBase(nullptr, &timeMode, &resolution), 0);
    EXPECT_EQ(MIDIData_GetEndTime(nullptr), 0);
    EXPECT_EQ(MIDIData_TimeToMillisec(nullptr, 100), 0);
    EXPECT_EQ(MIDIData_BreakTime(nullptr, 100, &measure, nullptr, nullptr), 0);
    EXPECT_EQ(MIDIData_GetTitleW(nullptr, buffer, 4), 0);
    EXPECT_EQ(buffer[0], L'\0');
    EXPECT_EQ(MIDIData_GetFirstTrack(nullptr), nullptr);
    EXPECT_EQ(MIDITrack_GetFirstEvent(nullptr), nullptr);
    EXPECT_EQ(MIDIEvent_GetNextEvent(nullptr), nullptr);
    EXPECT_EQ(MIDIData_LoadFromMemory(nullptr, 0), nullptr);
    EXPECT_EQ(MIDIData_LoadFromSMFW(nullptr), nullptr);
    MIDIData_Delete(nullptr);
}

TEST(SmfReader, LoadsFromAFileWithAWidePath) {
    std::filesystem::path directory = std::filesystem::temp_directory_path();
    std::filesystem::path path = directory / std::filesystem::path(u8"quillbex-\u00E9t\u00E9-beat.mid");
#ifdef _WIN32
    std::wstring widePath = path.wstring();
#else
    // The loader hands the wide path on as UTF-8, as the file system names it.
    std::string narrowDirectory = directory.string();
    std::wstring widePath(narrowDirectory.begin(), narrowDirectory.end());
    widePath += L"/quillbex-\u00E9t\u00E9-beat.mid";
#endif
    Bytes bytes = validFile();
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    SongPtr song(MIDIData_LoadFromSMFW(widePath.c_str()));
    std::filesystem::remove(path);
    ASSERT_TRUE(song);
    EXPECT_EQ(titleOf(song.get()), L"Beat");
    EXPECT_EQ(MIDIData_GetEndTime(song.get()), 1920);

    EXPECT_FALSE(MIDIData_LoadFromSMFW(widePath.c_str()));  // gone now
}

}  // namespace
