// Runs of the real Quillbex.exe driven from outside: a temporary program
// folder, the program started in it as a separate process, and its windows
// found and driven with window messages. Every wait is bounded. The
// black-box tests, the MIDI monitor and the screenshot taker share it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

inline constexpr DWORD kWindowWaitMs = 5000;
inline constexpr DWORD kExitWaitMs = 5000;

// A program folder under the temporary folder, removed again at the end:
// Quillbex.exe and the three language modules copied from the laid-out
// program folder `source`, and pattern and patch folders, empty or holding
// copies of the source's pattern and patch files. Copy failures throw
// std::filesystem::filesystem_error.
class ProgramFolder {
public:
    enum class Content { empty, copied };
    // `subfolder` puts the program files one folder deeper ("Release").
    explicit ProgramFolder(const std::filesystem::path& source, Content content = Content::empty,
                           const std::wstring& subfolder = L"");
    ~ProgramFolder();
    ProgramFolder(const ProgramFolder&) = delete;
    ProgramFolder& operator=(const ProgramFolder&) = delete;

    const std::filesystem::path& root() const { return root_; }
    const std::filesystem::path& programDir() const { return programDir_; }
    std::filesystem::path settingsFile() const { return root_ / L"Quillbex.ini"; }

    void removeModule(const wchar_t* fileName);
    // Puts `source` in place of the program's module of the same name.
    void replaceModule(const std::filesystem::path& source);
    void addPattern(const wchar_t* fileName, const std::vector<uint8_t>& bytes);
    // Writes Quillbex.ini as UTF-16LE from `lines` ("[Status]", "Tempo=...").
    void writeSettings(const std::vector<std::wstring>& lines);
    std::vector<uint8_t> settingsBytes() const;

private:
    std::filesystem::path root_;
    std::filesystem::path programDir_;
};

// The names of the .mid files in `folder`, sorted; none when it is missing.
std::vector<std::wstring> midiFileNames(const std::filesystem::path& folder);

// The settings file's lines, decoded from UTF-16LE; empty when the file is
// missing or does not start with the UTF-16LE byte-order mark.
std::vector<std::wstring> utf16Lines(const std::vector<uint8_t>& bytes);
// The value of `key` in `section` of those lines; "<missing>" when absent.
std::wstring settingValue(const std::vector<std::wstring>& lines, const std::wstring& section,
                          const std::wstring& key);

// One run of the program. The loop-back pipe prefix, when given, is put in
// the program's environment. A run still going at the end is ended.
class ProgramRun {
public:
    ProgramRun(const ProgramFolder& folder, const std::wstring& loopbackPrefix = L"");
    ~ProgramRun();
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    bool started() const { return process_ != nullptr; }
    // The exit code, or -1 when the program has not ended within `timeoutMs`.
    int64_t waitForExit(DWORD timeoutMs = kExitWaitMs);

    // The visible main window of this run; null when none appears in time.
    HWND mainWindow(DWORD timeoutMs = kWindowWaitMs);
    // A visible dialog or message box of this run (class "#32770") holding
    // a control `controlId`, or any when `controlId` is 0.
    HWND dialog(int controlId = 0, DWORD timeoutMs = kWindowWaitMs);
    // The names of the modules loaded in the process, in lower case.
    std::vector<std::wstring> loadedModules() const;
    // The handle of the loaded module `name` (in lower case); null if none.
    HMODULE moduleHandle(const wchar_t* name) const;

private:
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
};

// Window text through WM_GETTEXT, which crosses process boundaries.
std::wstring windowText(HWND window);
// The texts of a message box's static controls, joined by line breaks.
std::wstring messageBoxText(HWND box);
// A click on a button of another process: BM_CLICK, posted, so that a
// dialog the click opens does not block the caller.
void clickButton(HWND dialog, int controlId);
// The command a control of `window` sends its parent: WM_COMMAND with the
// control's identifier, the notification `code` (0 a click, LBN_DBLCLK a
// double-click on a list) and the control itself; posted, like a click.
void postCommand(HWND window, int controlId, int code = BN_CLICKED);
// Waits until `condition` holds, at most `timeoutMs`.
template <typename Condition>
bool waitUntil(Condition condition, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!condition()) {
        if (GetTickCount64() >= deadline) return false;
        Sleep(10);
    }
    return true;
}
// A path given relative to the folder of the running program (the test or
// tool), so the same relative path works on Windows and under Wine.
std::filesystem::path besideThisProgram(const wchar_t* relativePath);
// A name unique to this process and call, for pipes and folders.
std::wstring uniqueName(const wchar_t* stem);
