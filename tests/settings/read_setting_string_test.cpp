#include "settings/settings_file.h"
#include "settings_test_folder.h"

#include <string>
#include <vector>

namespace {

class ReadSettingStringTest : public SettingsTest {
protected:
    // The value of `key` in "Status" with a 256-character buffer, or "<default>".
    std::wstring read(const wchar_t* key, const wchar_t* section = L"Status") {
        wchar_t buffer[256];
        uint32_t count = readSettingString(section, key, L"<default>", buffer, 256, settingsPath().c_str());
        EXPECT_EQ(count, std::wcslen(buffer));
        return std::wstring(buffer, count);
    }
};

TEST_F(ReadSettingStringTest, ReadsEachEncodingAndRefusesBigEndian) {
    const std::wstring text =
        L"[Status]\r\nPatternName=Rock 1.mid\r\n[Language]\r\nUserInterface=English\r\n";
    const struct {
        const char* name;
        std::string bytes;
        bool readable;
    } files[] = {
        {"UTF-16LE with FF FE", utf16leFile(text), true},
        {"UTF-8 with EF BB BF", byteFile(text, "\xEF\xBB\xBF"), true},
        {"8-bit text", byteFile(text), true},
        {"8-bit text, LF line ends", byteFile(L"[Status]\nPatternName=Rock 1.mid\n[Language]\nUserInterface=English"),
         true},
        {"FE FF", "\xFE\xFF" + byteFile(text), false},
    };
    for (const auto& file : files) {
        SCOPED_TRACE(file.name);
        writeBytes(settingsPath(), file.bytes);
        EXPECT_EQ(read(L"PatternName"), file.readable ? L"Rock 1.mid" : L"<default>");
        EXPECT_EQ(read(L"UserInterface", L"Language"), file.readable ? L"English" : L"<default>");
    }
}

TEST_F(ReadSettingStringTest, DecodesCharactersAsUtf16CodeUnits) {
    const struct {
        const char* name;
        std::string bytes;
        std::wstring value;
    } files[] = {
        // Without the mark, a file that is valid UTF-8 throughout is UTF-8;
        // one stray byte anywhere makes all of it 8-bit text.
        {"UTF-8 without mark", "[Status]\nPatchName=\xC3\xA9\n", {wchar_t(0xE9)}},
        {"UTF-8 without mark, Japanese", "[Status]\r\nPatchName=\xE3\x83\x89\xE3\x83\xA9\xE3\x83\xA0.mid\r\n",
         {wchar_t(0x30C9), wchar_t(0x30E9), wchar_t(0x30E0), L'.', L'm', L'i', L'd'}},
        {"UTF-8 without mark, a stray byte later", "[Status]\nPatchName=\xC3\xA9\n[Other]\nA=\xE9\n",
         {wchar_t(0xC3), wchar_t(0xA9)}},
        {"overlong UTF-8 without mark", "[Status]\nPatchName=\xC0\xAF\n", {wchar_t(0xC0), wchar_t(0xAF)}},
        {"surrogate in UTF-8 without mark", "[Status]\nPatchName=\xED\xA0\x80\n",
         {wchar_t(0xED), wchar_t(0xA0), wchar_t(0x80)}},
        {"UTF-8 cut short at the end", "[Status]\nPatchName=\xE3\x83", {wchar_t(0xE3), wchar_t(0x83)}},
        {"UTF-8 with mark", "\xEF\xBB\xBF[Status]\nPatchName=\xC3\xA9\n", {wchar_t(0xE9)}},
        {"UTF-8 beyond U+FFFF", "\xEF\xBB\xBF[Status]\nPatchName=\xF0\x9F\x8E\xB5\n", {wchar_t(0xD83C), wchar_t(0xDFB5)}},
        {"UTF-8 malformed", "\xEF\xBB\xBF[Status]\nPatchName=a\xC3z\xFF\n", {L'a', wchar_t(0xFFFD), L'z', wchar_t(0xFFFD)}},
        {"UTF-16LE surrogates", utf16leFile({L'[', L'S', L't', L'a', L't', L'u', L's', L']', L'\n', L'P', L'a', L't',
                                             L'c', L'h', L'N', L'a', L'm', L'e', L'=', wchar_t(0xD83C), wchar_t(0xDFB5)}),
         {wchar_t(0xD83C), wchar_t(0xDFB5)}},
        {"8-bit high bytes", "[Status]\nPatchName=\x80\xFF\n", {wchar_t(0x80), wchar_t(0xFF)}},
    };
    for (const auto& file : files) {
        SCOPED_TRACE(file.name);
        writeBytes(settingsPath(), file.bytes);
        EXPECT_EQ(read(L"PatchName"), file.value);
    }
}

TEST_F(ReadSettingStringTest, MatchesSectionsAndKeysExactly) {
    const struct {
        const char* name;
        const char* text;
        const wchar_t* value;
    } files[] = {
        {"lower-case section", "[status]\nTempo=1\n", L"<default>"},
        {"blank after [", "[ Status]\nTempo=1\n", L"<default>"},
        {"blank before key", "[Status]\n Tempo=1\n", L"<default>"},
        {"blanks around =", "[Status]\nTempo = 1\n", L"<default>"},
        {"lower-case key", "[Status]\ntempo=1\n", L"<default>"},
        {"text after ]", "[Status] ; main\nTempo=1\n", L"1"},
        {"longer key", "[Status]\nTempoMode=1\n", L"<default>"},
        {"longer key, then the key", "[Status]\nTempoMode=1\nTempo=2\n", L"2"},
        {"above every section", "Tempo=1\n[Status]\n", L"<default>"},
        {"in another section", "[Status]\n[Language]\nTempo=1\n", L"<default>"},
        {"second section of the name", "[Status]\nA=1\n[Language]\n[Status]\nTempo=2\n", L"2"},
        {"first of two lines wins", "[Status]\nTempo=1\nTempo=2\n[Status]\nTempo=3\n", L"1"},
        {"value keeps its blanks", "[Status]\nTempo= 1 \n", L" 1 "},
        {"value keeps later =", "[Status]\nTempo=a=b\n", L"a=b"},
        {"empty value", "[Status]\nTempo=\n", L""},
        {"last line without line end", "[Status]\nTempo=last", L"last"},
        {"lone CR at the end", "[Status]\nTempo=cr\r", L"cr"},
        {"CR CR LF", "[Status]\nTempo=crcr\r\r\n", L"crcr"},
        {"CR inside the value", "[Status]\nTempo=a\rb\n", L"a\rb"},
        {"lone CR does not end a line", "[Status]\rTempo=1\n", L"<default>"},
    };
    for (const auto& file : files) {
        SCOPED_TRACE(file.name);
        writeBytes(settingsPath(), file.text);
        EXPECT_EQ(read(L"Tempo"), file.value);
    }
}

TEST_F(ReadSettingStringTest, CutsToSizeLessOneAndClearsTheBuffer) {
    const std::wstring forty(40, L'x');
    writeBytes(settingsPath(), byteFile(L"[MIDI Device]\r\nMIDIOutName=" + forty + L"\r\n"));

    wchar_t buffer[64];
    std::wmemset(buffer, L'#', 64);
    EXPECT_EQ(readSettingString(L"MIDI Device", L"MIDIOutName", L"", buffer, 32, settingsPath().c_str()), 31u);
    EXPECT_EQ(std::wstring(buffer), forty.substr(0, 31));
    EXPECT_EQ(buffer[63], L'#');  // nothing beyond `size`

    // The default is cut the same way; an empty default gives 0.
    EXPECT_EQ(readSettingString(L"MIDI Device", L"Missing", forty.c_str(), buffer, 32, settingsPath().c_str()), 31u);
    EXPECT_EQ(std::wstring(buffer), forty.substr(0, 31));
    EXPECT_EQ(readSettingString(L"MIDI Device", L"Missing", L"", buffer, 32, settingsPath().c_str()), 0u);
    for (int i = 0; i < 32; ++i) EXPECT_EQ(buffer[i], L'\0') << i;

    // No room even for the terminator: nothing is stored.
    buffer[0] = L'#';
    EXPECT_EQ(readSettingString(L"MIDI Device", L"MIDIOutName", L"", buffer, 0, settingsPath().c_str()), 0u);
    EXPECT_EQ(buffer[0], L'#');
}

TEST_F(ReadSettingStringTest, ReadsLongLinesInPiecesOf4094) {
    const std::wstring filler(kSettingsPieceLength, L'x');
    const std::wstring longValue(5000, L'v');
    // A long value ends after its first piece; the rest of a line that spills
    // into a second piece is read as a line of its own.
    writeBytes(settingsPath(), byteFile(L"[Status]\r\nPatternName=" + longValue + L"\r\n" + filler +
                                        L"PatchName=tail\r\n" + filler + L"[Other]\r\nTempo=1\r\n"));
    std::vector<wchar_t> buffer(8192);
    uint32_t count = readSettingString(L"Status", L"PatternName", L"", buffer.data(), 8192, settingsPath().c_str());
    EXPECT_EQ(count, kSettingsPieceLength - std::wcslen(L"PatternName="));
    EXPECT_EQ(std::wstring(buffer.data()), longValue.substr(0, count));
    EXPECT_EQ(read(L"PatchName"), L"tail");
    EXPECT_EQ(read(L"Tempo"), L"<default>");
}

TEST_F(ReadSettingStringTest, GivesTheDefaultWithoutAReadableFile) {
    wchar_t buffer[32];
    EXPECT_EQ(readSettingString(L"Status", L"Tempo", L"dflt", buffer, 32, nullptr), 4u);
    EXPECT_EQ(std::wstring(buffer), L"dflt");
    EXPECT_EQ(read(L"Tempo"), L"<default>");  // no file
    writeBytes(settingsPath(), "");
    EXPECT_EQ(read(L"Tempo"), L"<default>");
    writeBytes(settingsPath(), "[");
    EXPECT_EQ(read(L"Tempo"), L"<default>");
    EXPECT_EQ(readSettingString(L"Status", L"Tempo", L"dflt", buffer, 32, folder_.wstring().c_str()), 4u);
    EXPECT_EQ(std::wstring(buffer), L"dflt");
}

}  // namespace
