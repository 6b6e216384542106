// A fresh temporary folder per test, with helpers to write and read files as
// raw bytes, and `playerState` reset before each test.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::wstring pathOf(const std::wstring& name) const { return (folder_ / name).wstring(); }
    // Quillbex.ini in the test's folder.
    std::wstring settingsPath() const { return pathOf(L"Quillbex.ini"); }

    static void writeBytes(const std::wstring& path, const std::string& bytes);
    static std::string readBytes(const std::wstring& path);

    std::filesystem::path folder_;
};

// Text as UTF-16LE bytes behind the mark FF FE; each wchar_t is one code unit.
std::string utf16leFile(const std::wstring& text);
// Text as bytes, one byte per wchar_t (all below 0x100), with an optional mark.
std::string byteFile(const std::wstring& text, const std::string& mark = "");
