#include <gtest/gtest.h>

#include "tests/support/smf_builder.h"
#include "tests/midi/song/song_test_helpers.h"
#include "tools/smf_summary.h"

namespace {

TEST(SmfSummary, PrintsEveryPropertyOnItsOwnLine) {
    MIDIDataLib_SetDefaultCharCode(1252);
    SmfBuilder file(480, 1);
    file.track()
        .trackName(0, "Rock \xE9t\xE9")  // 1252: "Rock été"
        .trackName(0, "Verse")
        .text(0, 0x02, "(c) 2026")
        .tempo(0, 600000)
        .timeSignature(0, 3, 2)
        .endOfTrack(0);
    file.track().noteOn(240, 9, 36, 100).noteOn(480, 9, 36, 0).endOfTrack(1440 * 2 + 480 + 7);
    SongPtr song = loadSong(file.bytes());
    ASSERT_TRUE(song);
    EXPECT_EQ(formatSongSummary(song.get()),
              "format: 1\n"
              "tracks: 2\n"
              "time-mode: 0\n"
              "resolution: 480\n"
              "begin: 0\n"
              "end: 3367\n"
              "duration-ms: 4208\n"  // 3367 ticks at 600000 us per quarter: 4208.75 ms
              "end-position: 3:2:7\n"
              "title: Rock \xC3\xA9t\xC3\xA9\n"
              "subtitle: Verse\n"
              "copyright: (c) 2026\n"
              "comment: \n"
              "recovered: \n");
}

TEST(SmfSummary, NamesEachIrregularityRecoveredWithItsCount) {
    SmfBuilder file(96, 1);
    file.track().noteOn(0, 9, 36, 100).message(0, {0xF8}).message(0, {0xFE}).endOfTrack(96);
    file.declaredTrackCount(4);
    std::vector<uint8_t> bytes = file.bytes();
    bytes.pop_back();  // the end-of-track's length byte
    SongPtr song = loadSong(bytes);
    ASSERT_TRUE(song);
    std::string summary = formatSongSummary(song.get());
    EXPECT_NE(summary.find("\nrecovered: stray-system-messages 2, truncated-track 1, missing-tracks 3\n"),
              std::string::npos)
        << summary;
}

TEST(SmfSummary, FrameBasedSongsGiveSecondsFramesAndTicks) {
    SmfBuilder file(0xE364, 0);  // 29.97 fps, 100 ticks per frame
    file.track().noteOn(300, 9, 36, 100).endOfTrack(3000 + 250);
    SongPtr song = loadSong(file.bytes());
    ASSERT_TRUE(song);
    std::string summary = formatSongSummary(song.get());
    EXPECT_NE(summary.find("time-mode: 29\nresolution: 100\nbegin: 300\nend: 3250\nduration-ms: 1084\n"
                           "end-position: 2:3:50\n"),
              std::string::npos)
        << summary;
}

TEST(SmfSummary, PrintsEventsAsTheyGoOnTheWire) {
    SmfBuilder file(96, 1);
    file.track().tempo(0, 500000).endOfTrack(0);
    file.track()
        .noteOn(0, 9, 36, 100)
        .message(12, {38, 0x7F})  // running status
        .sysex(24, 0xF0, {0x43, 0x10, 0xF7})
        .sysex(24, 0xF7, {0xFA})
        .message(30, {0xEA, 0x00, 0x40})
        .endOfTrack(96);
    SongPtr song = loadSong(file.bytes());
    ASSERT_TRUE(song);
    EXPECT_EQ(formatSongEvents(song.get()),
              "0 0 FF 51 07 A1 20\n"
              "0 0 FF 2F\n"
              "1 0 99 24 64\n"
              "1 12 99 26 7F\n"
              "1 24 F0 43 10 F7\n"
              "1 24 F7 FA\n"
              "1 30 EA 00 40\n"
              "1 96 FF 2F\n");
}

TEST(SmfdumpArguments, ReadsOptionsAndRefusesBadOnes) {
    struct Case {
        std::vector<std::wstring> arguments;
        SmfdumpCommand command;
        bool events;
        int32_t codePage;
        std::wstring path;
    } cases[] = {
        {{L"beat.mid"}, SmfdumpCommand::Dump, false, 1252, L"beat.mid"},
        {{L"--events", L"beat.mid"}, SmfdumpCommand::Dump, true, 1252, L"beat.mid"},
        {{L"beat.mid", L"--codepage", L"932"}, SmfdumpCommand::Dump, false, 932, L"beat.mid"},
        {{L"--codepage=65001", L"--events", L"b.mid"}, SmfdumpCommand::Dump, true, 65001, L"b.mid"},
        {{L"--", L"-odd.mid"}, SmfdumpCommand::Dump, false, 1252, L"-odd.mid"},
        {{L"--help"}, SmfdumpCommand::Help, false, 1252, L""},
        {{}, SmfdumpCommand::UsageError, false, 1252, L""},
        {{L"a.mid", L"b.mid"}, SmfdumpCommand::UsageError, false, 1252, L"a.mid"},
        {{L"--codepage"}, SmfdumpCommand::UsageError, false, 1252, L""},
        {{L"--codepage", L"x12", L"a.mid"}, SmfdumpCommand::UsageError, false, 1252, L""},
        {{L"--verbose", L"a.mid"}, SmfdumpCommand::UsageError, false, 1252, L""},
    };
    for (const Case& c : cases) {
        SmfdumpOptions options;
        std::string error;
        EXPECT_EQ(parseSmfdumpArguments(c.arguments, options, error), c.command) << error;
        if (c.command == SmfdumpCommand::UsageError) {
            EXPECT_FALSE(error.empty());
            continue;
        }
        EXPECT_EQ(options.events, c.events);
        EXPECT_EQ(options.codePage, c.codePage);
        EXPECT_EQ(options.path, c.path);
    }
}

}  // namespace
