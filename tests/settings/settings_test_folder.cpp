#include "settings_test_folder.h"

#include "common/file_access.h"
#include "engine/player_state.h"

#include <fstream>
#include <iterator>
#include <random>

void SettingsTest::SetUp() {
    resetPlayerState();
    std::random_device random;
    folder_ = std::filesystem::temp_directory_path() /
              ("quillbex-settings-" + std::to_string(random()) + "-" + std::to_string(random()));
    ASSERT_TRUE(std::filesystem::create_directories(folder_));
}

void SettingsTest::TearDown() {
    setReplaceFileFunction(nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

void SettingsTest::writeBytes(const std::wstring& path, const std::string& bytes) {
    std::ofstream file(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
    ASSERT_TRUE(file) << "cannot create the test file";
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string SettingsTest::readBytes(const std::wstring& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string utf16leFile(const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : text) {
        bytes += static_cast<char>(static_cast<uint32_t>(c) & 0xFF);
        bytes += static_cast<char>((static_cast<uint32_t>(c) >> 8) & 0xFF);
    }
    return bytes;
}

std::string byteFile(const std::wstring& text, const std::string& mark) {
    std::string bytes = mark;
    for (wchar_t c : text) bytes += static_cast<char>(static_cast<unsigned char>(c));
    return bytes;
}
