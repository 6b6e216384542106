// What the settings code relies on from the profile functions. In the
// Windows build the same cases run against Windows' own functions and ours.
#include "settings/profile.h"
#include "settings/settings_file.h"
#include "settings_test_folder.h"

#include <string>

namespace {

using ProfileTest = SettingsTest;

TEST_F(ProfileTest, WritesInPlaceAtSectionEndAndAsNewSection) {
    const std::wstring path = settingsPath();
    writeBytes(path, utf16leFile(L"[A]\r\nx=1\r\ny=2\r\n[B]\r\nz=3\r\n"));

    EXPECT_TRUE(profileWriteString(L"A", L"x", L"one", path.c_str()));     // replaced in place
    EXPECT_TRUE(profileWriteString(L"A", L"w", L"4", path.c_str()));       // end of its section
    EXPECT_TRUE(profileWriteString(L"C D", L"v", L"", path.c_str()));      // new section, empty value
    EXPECT_TRUE(profileWriteString(L"b", L"Z", L"three", path.c_str()));   // names match in any case
    EXPECT_EQ(readBytes(path),
              utf16leFile(L"[A]\r\nx=one\r\ny=2\r\nw=4\r\n[B]\r\nz=three\r\n[C D]\r\nv=\r\n"));
}

TEST_F(ProfileTest, WritesAResetFileInOrderOfFirstWrites) {
    const std::wstring path = settingsPath();
    writeBytes(path, byteFile(L"; old comment\r\n[Status]\r\nSyncStart=0\r\n"));
    resetSettingsFile(path.c_str());
    EXPECT_EQ(readBytes(path), "\xFF\xFE");

    EXPECT_TRUE(profileWriteString(L"S", L"a", L"1", path.c_str()));
    EXPECT_TRUE(profileWriteString(L"T", L"b", L"2", path.c_str()));
    EXPECT_TRUE(profileWriteString(L"S", L"c", L"3", path.c_str()));
    EXPECT_TRUE(profileWriteString(L"S", L"a", L"4", path.c_str()));
    EXPECT_EQ(readBytes(path), utf16leFile(L"[S]\r\na=4\r\nc=3\r\n[T]\r\nb=2\r\n"));
}

TEST_F(ProfileTest, ReadsTrimmedUnquotedValuesAndDecimalIntegers) {
    const std::wstring path = settingsPath();
    writeBytes(path, utf16leFile(L"[Status]\r\n"
                                 L"  Name  =  two words  \r\n"
                                 L"Quoted=\"in quotes\"\r\n"
                                 L"Single='x'\r\n"
                                 L"Half=\"open\r\n"
                                 L"Empty=\r\n"
                                 L"Int=  42\r\n"
                                 L"Negative=-7\r\n"
                                 L"Plus=+9\r\n"
                                 L"Trailing=12abc\r\n"
                                 L"Letters=abc\r\n"
                                 L"[Other]\r\n"
                                 L"Elsewhere=5\r\n"));
    const struct {
        const wchar_t* key;
        const wchar_t* text;
    } strings[] = {
        {L"Name", L"two words"}, {L"name", L"two words"}, {L"Quoted", L"in quotes"},
        {L"Single", L"x"},       {L"Half", L"\"open"},     {L"Empty", L""},
        {L"Elsewhere", L"dflt"}, {L"Missing", L"dflt"},
    };
    for (const auto& s : strings) {
        SCOPED_TRACE(testing::Message() << "string key index " << (&s - strings));
        wchar_t buffer[256];
        uint32_t count = profileReadString(L"STATUS", s.key, L"dflt", buffer, 256, path.c_str());
        EXPECT_EQ(std::wstring(buffer), s.text);
        EXPECT_EQ(count, std::wcslen(s.text));
    }
    const struct {
        const wchar_t* key;
        int32_t value;
    } integers[] = {
        {L"Int", 42},      {L"Negative", -7}, {L"Plus", 9},          {L"Trailing", 12},
        {L"Letters", 0},   {L"Empty", 77},    {L"Elsewhere", 77},    {L"Missing", 77},
    };
    for (const auto& i : integers) {
        SCOPED_TRACE(testing::Message() << "integer key index " << (&i - integers));
        EXPECT_EQ(profileReadInt(L"Status", i.key, 77, path.c_str()), i.value);
    }
}

TEST_F(ProfileTest, CutsStringsAndFallsBackWithoutAFile) {
    const std::wstring path = settingsPath();
    wchar_t buffer[8];
    EXPECT_EQ(profileReadString(L"Status", L"Key", L"default text", buffer, 8, path.c_str()), 7u);
    EXPECT_EQ(std::wstring(buffer), L"default");
    EXPECT_EQ(profileReadInt(L"Status", L"Key", -3, path.c_str()), -3);

    writeBytes(path, utf16leFile(L"[Status]\r\nKey=0123456789\r\n"));
    EXPECT_EQ(profileReadString(L"Status", L"Key", L"", buffer, 8, path.c_str()), 7u);
    EXPECT_EQ(std::wstring(buffer), L"0123456");
}

TEST_F(ProfileTest, RefusesAPathItCannotWrite) {
    const std::wstring missingFolder = (folder_ / L"no such folder" / L"Quillbex.ini").wstring();
    EXPECT_FALSE(profileWriteString(L"Status", L"Key", L"1", missingFolder.c_str()));
    EXPECT_FALSE(profileWriteString(L"Status", L"Key", L"1", folder_.wstring().c_str()));
    EXPECT_TRUE(std::filesystem::is_directory(folder_));
}

}  // namespace
