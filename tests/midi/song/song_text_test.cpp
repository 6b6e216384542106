#include <gtest/gtest.h>

#include "common/utf8.h"
#include "tests/support/smf_builder.h"
#include "tests/midi/song/song_test_helpers.h"
#include "tests/support/bytes.h"

namespace {


class SongText : public ::testing::Test {
protected:
    void TearDown() override { MIDIDataLib_SetDefaultCharCode(1252); }

    static std::wstring titleDecodedAs(int32_t codePage, const Bytes& title) {
        MIDIDataLib_SetDefaultCharCode(codePage);
        SmfBuilder file(480, 0);
        file.track().meta(0, 0x03, title).endOfTrack(0);
        SongPtr song = loadSong(file.bytes());
        EXPECT_TRUE(song);
        return titleOf(song.get());
    }
};

TEST_F(SongText, PicksTitleSubtitleCopyrightAndCommentFromTheFirstTrack) {
    SmfBuilder file(480, 1);
    file.track()
        .text(0, 0x01, "Straight rock, 120 bpm")
        .trackName(0, "Rock 1")
        .text(0, 0x02, "(c) Quillbex")
        .trackName(0, "Verse")
        .trackName(0, "third name, not shown")
        .text(0, 0x01, "second text, not shown")
        .text(0, 0x02, "second copyright, not shown")
        .endOfTrack(0);
    file.track().trackName(0, "Drums").text(0, 0x01, "other track").endOfTrack(0);
    SongPtr song = loadSong(file.bytes());
    ASSERT_TRUE(song);
    wchar_t buffer[1024];
    EXPECT_EQ(MIDIData_GetTitleW(song.get(), buffer, 1024), 6);
    EXPECT_STREQ(buffer, L"Rock 1");
    MIDIData_GetSubTitleW(song.get(), buffer, 1024);
    EXPECT_STREQ(buffer, L"Verse");
    MIDIData_GetCopyrightW(song.get(), buffer, 1024);
    EXPECT_STREQ(buffer, L"(c) Quillbex");
    MIDIData_GetCommentW(song.get(), buffer, 1024);
    EXPECT_STREQ(buffer, L"Straight rock, 120 bpm");
}

TEST_F(SongText, ASongWithoutTextsGivesEmptyTexts) {
    SmfBuilder file(480, 1);
    file.track().endOfTrack(0);
    file.track().trackName(0, "only in the second track").endOfTrack(0);
    SongPtr song = loadSong(file.bytes());
    ASSERT_TRUE(song);
    wchar_t buffer[8] = L"garbage";
    EXPECT_EQ(MIDIData_GetTitleW(song.get(), buffer, 8), 0);
    EXPECT_STREQ(buffer, L"");
    wcscpy(buffer, L"garbage");
    EXPECT_EQ(MIDIData_GetSubTitleW(song.get(), buffer, 8), 0);
    EXPECT_STREQ(buffer, L"");
}

TEST_F(SongText, CopiesTruncateToTheBufferAndStayTerminated) {
    MIDIDataLib_SetDefaultCharCode(1252);
    SmfBuilder file(480, 0);
    file.track().trackName(0, "Shuffle").endOfTrack(0);
    SongPtr song = loadSong(file.bytes());
    ASSERT_TRUE(song);
    wchar_t buffer[4] = {L'x', L'x', L'x', L'x'};
    EXPECT_EQ(MIDIData_GetTitleW(song.get(), buffer, 4), 3);
    EXPECT_STREQ(buffer, L"Shu");
    EXPECT_EQ(MIDIData_GetTitleW(song.get(), buffer, 1), 0);
    EXPECT_EQ(buffer[0], L'\0');
    buffer[0] = L'x';
    EXPECT_EQ(MIDIData_GetTitleW(song.get(), buffer, 0), 0);
    EXPECT_EQ(buffer[0], L'x');
    EXPECT_EQ(MIDIData_GetTitleW(song.get(), nullptr, 10), 0);
}

TEST_F(SongText, DecodesWithTheChosenCodePage) {
    struct Case {
        int32_t codePage;
        Bytes bytes;
        std::wstring expected;
    } cases[] = {
        {932, {0x83, 0x68, 0x83, 0x89, 0x83, 0x80, '1'}, L"\u30C9\u30E9\u30E01"},
        {1252, {0x80, ' ', 0xE9, 0x93, 'x', 0x94}, L"\u20AC \u00E9\u201Cx\u201D"},
        {65001, {'C', 0xC3, 0xA9, 0xF0, 0x9F, 0xA5, 0x81}, L"C\u00E9\U0001F941"},
        {1200, {'A', 0, 'b', 0, 0x3E, 0xD8, 0x41, 0xDD}, L"Ab\U0001F941"},
        {1201, {0, 'A', 0, 'b', 0xD8, 0x3E, 0xDD, 0x41}, L"Ab\U0001F941"},
        {1200, {0x00, 0xD8, 'x', 0, 'y'}, L"\uFFFDx\uFFFD"},  // lone surrogate, odd byte
        {12345, {'O', 0xE9, 0x80}, L"O\u00E9\u0080"},         // unknown: Latin-1
        {0, {'O', 0xE9}, L"O\u00E9"},
    };
    for (const Case& c : cases) EXPECT_EQ(titleDecodedAs(c.codePage, c.bytes), c.expected) << c.codePage;
}

TEST_F(SongText, TextsEndAtTheFirstNul) {
    EXPECT_EQ(titleDecodedAs(1252, {'B', 'e', 'a', 't', 0, 0, 'x'}), L"Beat");
    EXPECT_EQ(titleDecodedAs(1200, {'B', 0, 0, 0, 'x', 0}), L"B");
    EXPECT_EQ(titleDecodedAs(1200, {0x00, 0x42}), L"\u4200");  // a zero byte inside a character
}

TEST_F(SongText, TheCodePageAppliesToSongsLoadedAfterwards) {
    MIDIDataLib_SetDefaultCharCode(1252);
    SmfBuilder file(480, 0);
    file.track().meta(0, 0x03, {0x83, 0x68}).endOfTrack(0);
    SongPtr before = loadSong(file.bytes());
    MIDIDataLib_SetDefaultCharCode(932);
    SongPtr after = loadSong(file.bytes());
    ASSERT_TRUE(before && after);
    EXPECT_EQ(titleOf(before.get()), L"\u0192h");
    EXPECT_EQ(titleOf(after.get()), L"\u30C9");
}

TEST(TextDecoding, WritesWideTextAsUtf8) {
    EXPECT_EQ(wideToUtf8(L"a\u00E9\u30C9\U0001F941"), "a\xC3\xA9\xE3\x83\x89\xF0\x9F\xA5\x81");
    std::wstring loneSurrogate(1, static_cast<wchar_t>(0xD800));
    EXPECT_EQ(wideToUtf8(loneSurrogate + L"x"), "\xEF\xBF\xBDx");
    // A pair stored in two units is one character wherever wchar_t is 32
    // bits too; a high surrogate before anything but a low one stands alone.
    EXPECT_EQ(wideToUtf8(std::wstring{wchar_t(0xD83E), wchar_t(0xDD41)}), "\xF0\x9F\xA5\x81");
    if constexpr (sizeof(wchar_t) == 4) {
        EXPECT_EQ(wideToUtf8(std::wstring{wchar_t(0xD83E), wchar_t(0x1DD41)}), "\xEF\xBF\xBD\xF0\x9D\xB5\x81");
    }
}

}  // namespace
