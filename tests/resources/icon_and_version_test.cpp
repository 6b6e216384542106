// The icon and version of each language module, and the program file's own
// manifest, which this test program carries too.
#include "language_modules.h"
#include "resources/resource_ids.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

#pragma pack(push, 2)
struct IconGroupEntry {  // one image of an icon group resource
    BYTE width;          // 0 stands for 256
    BYTE height;
    BYTE colourCount;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytes;
    WORD iconId;         // the RT_ICON resource holding the image
};
struct IconGroupHeader {
    WORD reserved;
    WORD type;
    WORD count;
};
#pragma pack(pop)

std::pair<const BYTE*, DWORD> resourceBytes(HMODULE module, const wchar_t* name, const wchar_t* type) {
    const HRSRC found = FindResourceW(module, name, type);
    if (!found) return {nullptr, 0};
    return {static_cast<const BYTE*>(LockResource(LoadResource(module, found))), SizeofResource(module, found)};
}

TEST(LanguageModuleIcon, HasSmallMediumAndLargeImages) {
    for (const LanguageModule& module : languageModules()) {
        ASSERT_NE(module.handle, nullptr);
        SCOPED_TRACE(testing::PrintToString(std::wstring(module.fileName)));
        const auto [group, groupSize] = resourceBytes(module.handle, MAKEINTRESOURCEW(IDI_MAIN_ICON), RT_GROUP_ICON);
        ASSERT_NE(group, nullptr) << "icon " << IDI_MAIN_ICON << " missing";
        const auto* header = reinterpret_cast<const IconGroupHeader*>(group);
        ASSERT_GE(groupSize, sizeof(IconGroupHeader) + header->count * sizeof(IconGroupEntry));
        const auto* entries = reinterpret_cast<const IconGroupEntry*>(header + 1);
        std::set<int> usableSizes;
        for (WORD i = 0; i < header->count; ++i) {
            const int size = entries[i].width == 0 ? 256 : entries[i].width;
            const auto [image, imageSize] = resourceBytes(module.handle, MAKEINTRESOURCEW(entries[i].iconId), RT_ICON);
            if (image == nullptr || entries[i].width != entries[i].height) continue;
            const HICON icon = CreateIconFromResourceEx(const_cast<BYTE*>(image), imageSize, TRUE, 0x00030000,
                                                        size, size, LR_DEFAULTCOLOR);
            if (icon == nullptr) continue;
            usableSizes.insert(size);
            DestroyIcon(icon);
        }
        for (int size : {16, 32, 48}) EXPECT_EQ(usableSizes.count(size), 1u) << size << " pixel image";
    }
}

std::wstring versionString(const std::vector<BYTE>& info, const std::wstring& name) {
    struct Translation { WORD language, codePage; }* translation = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length) ||
        length < sizeof *translation)
        return {};
    wchar_t path[128];
    swprintf(path, 128, L"\\StringFileInfo\\%04x%04x\\%ls", translation->language, translation->codePage, name.c_str());
    wchar_t* value = nullptr;
    if (!VerQueryValueW(info.data(), path, reinterpret_cast<void**>(&value), &length)) return {};
    return value;
}

TEST(LanguageModuleVersion, NamesTheProductVersionAndLanguage) {
    const wchar_t* expectedLanguage[] = {L"English", L"日本語", L"简体中文"};
    for (size_t i = 0; i < languageModules().size(); ++i) {
        const LanguageModule& module = languageModules()[i];
        SCOPED_TRACE(testing::PrintToString(std::wstring(module.fileName)));
        std::vector<BYTE> info(GetFileVersionInfoSizeW(module.path.c_str(), nullptr));
        ASSERT_FALSE(info.empty()) << "no version resource";
        ASSERT_TRUE(GetFileVersionInfoW(module.path.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
        EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
        EXPECT_EQ(fixed->dwFileVersionLS, 0u);
        EXPECT_EQ(versionString(info, L"ProductName"), L"Quillbex");
        EXPECT_EQ(versionString(info, L"ProductVersion"), L"1.0.0");
        EXPECT_NE(versionString(info, L"FileDescription").find(expectedLanguage[i]), std::wstring::npos)
            << testing::PrintToString(versionString(info, L"FileDescription"));
    }
}

TEST(ProgramResources, ManifestTurnsOnCommonControls6AndDpiAwareness) {
    const auto [manifest, size] = resourceBytes(nullptr, MAKEINTRESOURCEW(1), RT_MANIFEST);
    ASSERT_NE(manifest, nullptr) << "no manifest in the program file";
    const std::string text(reinterpret_cast<const char*>(manifest), size);
    EXPECT_NE(text.find("level=\"asInvoker\""), std::string::npos);

    // Version 6 of the common controls is what the manifest asks for; only
    // it answers a button's ideal-size query.
    const HWND button = CreateWindowW(L"Button", L"Start", WS_POPUP | BS_PUSHBUTTON, 0, 0, 80, 24,
                                      nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(button, nullptr);
    SIZE ideal = {};
    EXPECT_TRUE(SendMessageW(button, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)));
    DestroyWindow(button);

    EXPECT_TRUE(IsProcessDPIAware());
}

}  // namespace
