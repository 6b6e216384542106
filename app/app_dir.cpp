#include "app/app_dir.h"

#include <cwchar>

#include "engine/player_state.h"

namespace {

constexpr size_t kPathMax = kAppDirSize - 1;

bool endsWith(const std::wstring& text, const std::wstring& ending) {
    return text.size() >= ending.size() &&
           text.compare(text.size() - ending.size(), ending.size(), ending) == 0;
}

std::optional<std::wstring> fitting(const std::wstring& dir) {
    if (dir.size() > kPathMax) return std::nullopt;
    return dir;
}

}  // namespace

std::optional<std::wstring> appDirOfModule(const std::wstring& moduleFileName) {
    // Drive ("C:") and folder (up to and including the last separator), as
    // the C runtime's path split gives them; the file name is dropped.
    const size_t driveLength =
        moduleFileName.size() >= 2 && moduleFileName[1] == L':' ? 2 : 0;
    const size_t lastSeparator = moduleFileName.find_last_of(L"\\/");
    const size_t folderEnd =
        lastSeparator == std::wstring::npos || lastSeparator < driveLength ? driveLength
                                                                          : lastSeparator + 1;
    std::wstring dir = moduleFileName.substr(0, folderEnd);

    for (const wchar_t* buildFolder : {L"\\Debug\\", L"\\Release\\", L"\\DebugU\\", L"\\ReleaseU\\"}) {
        if (endsWith(dir, buildFolder)) {
            dir.resize(dir.size() - std::wcslen(buildFolder));
            return fitting(dir);
        }
    }
    if (!dir.empty() && (dir.back() == L'\\' || dir.back() == L'/')) dir.pop_back();
    return fitting(dir);
}

std::wstring folderOfModule(const std::wstring& moduleFileName) {
    const size_t lastSeparator = moduleFileName.find_last_of(L"\\/");
    return lastSeparator == std::wstring::npos ? std::wstring() : moduleFileName.substr(0, lastSeparator);
}

std::wstring settingsPathOf(const std::wstring& appDir) {
    return appDir + L"\\Quillbex.ini";
}
