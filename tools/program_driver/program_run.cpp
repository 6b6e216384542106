#include "tools/program_driver/program_run.h"

#include <psapi.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <fstream>
#include <iterator>
#include <utility>

#include "midi/ports/loopback_pipe.h"

namespace fs = std::filesystem;

namespace {

const wchar_t* const kProgramFiles[] = {L"Quillbex.exe", L"QuillbexEnu.dll", L"QuillbexJpn.dll",
                                        L"QuillbexChs.dll"};

}  // namespace

fs::path besideThisProgram(const wchar_t* relativePath) {
    wchar_t name[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, name, MAX_PATH);
    return (fs::path(name).parent_path() / relativePath).lexically_normal();
}

std::wstring uniqueName(const wchar_t* stem) {
    static int counter = 0;
    return std::wstring(stem) + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
}

ProgramFolder::ProgramFolder(const fs::path& source, Content content, const std::wstring& subfolder) {
    root_ = fs::temp_directory_path() / uniqueName(L"quillbex-program");
    programDir_ = subfolder.empty() ? root_ : root_ / subfolder;
    try {
        fs::create_directories(programDir_);
        for (const wchar_t* folder : {L"pattern", L"patch"}) {
            fs::create_directories(root_ / folder);
            if (content == Content::copied && fs::is_directory(source / folder)) {
                fs::copy(source / folder, root_ / folder);  // the files, not subfolders
            }
        }
        for (const wchar_t* file : kProgramFiles) fs::copy_file(source / file, programDir_ / file);
    } catch (const fs::filesystem_error&) {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
        throw;
    }
}

ProgramFolder::~ProgramFolder() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

void ProgramFolder::removeModule(const wchar_t* fileName) {
    fs::remove(programDir_ / fileName);
}

void ProgramFolder::replaceModule(const fs::path& source) {
    fs::copy_file(source, programDir_ / source.filename(), fs::copy_options::overwrite_existing);
}

void ProgramFolder::addPattern(const wchar_t* fileName, const std::vector<uint8_t>& bytes) {
    std::ofstream(root_ / L"pattern" / fileName, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void ProgramFolder::writeSettings(const std::vector<std::wstring>& lines) {
    std::wstring text;
    for (const std::wstring& line : lines) text += line + L"\r\n";
    std::ofstream file(settingsFile(), std::ios::binary);
    file.write("\xFF\xFE", 2);
    for (wchar_t c : text) {
        const char bytes[2] = {static_cast<char>(c & 0xFF), static_cast<char>((c >> 8) & 0xFF)};
        file.write(bytes, 2);
    }
}

std::vector<uint8_t> ProgramFolder::settingsBytes() const {
    std::ifstream file(settingsFile(), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::vector<std::wstring> midiFileNames(const fs::path& folder) {
    std::vector<std::wstring> names;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        if (entry.is_regular_file() && _wcsicmp(entry.path().extension().c_str(), L".mid") == 0)
            names.push_back(entry.path().filename().wstring());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::wstring> utf16Lines(const std::vector<uint8_t>& bytes) {
    std::vector<std::wstring> lines;
    if (bytes.size() < 2 || bytes[0] != 0xFF || bytes[1] != 0xFE) return lines;
    std::wstring line;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
        const wchar_t c = static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8));
        if (c == L'\n') {
            lines.push_back(line);
            line.clear();
        } else if (c != L'\r') {
            line += c;
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

std::wstring settingValue(const std::vector<std::wstring>& lines, const std::wstring& section,
                          const std::wstring& key) {
    bool inSection = false;
    for (const std::wstring& line : lines) {
        if (!line.empty() && line[0] == L'[') {
            inSection = line == L"[" + section + L"]";
        } else if (inSection && line.rfind(key + L"=", 0) == 0) {
            return line.substr(key.size() + 1);
        }
    }
    return L"<missing>";
}

ProgramRun::ProgramRun(const ProgramFolder& folder, const std::wstring& loopbackPrefix) {
    // The child inherits the environment; the variable is set for its start only.
    SetEnvironmentVariableW(kLoopbackPipeVariable, loopbackPrefix.empty() ? nullptr : loopbackPrefix.c_str());
    const std::wstring program = (folder.programDir() / L"Quillbex.exe").wstring();
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    // Started from another working folder: the program must find its files
    // by its own location.
    const std::wstring workingDir = fs::temp_directory_path().wstring();
    if (CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       workingDir.c_str(), &startup, &info)) {
        process_ = info.hProcess;
        processId_ = info.dwProcessId;
        CloseHandle(info.hThread);
    }
    SetEnvironmentVariableW(kLoopbackPipeVariable, nullptr);
}

ProgramRun::~ProgramRun() {
    if (process_ == nullptr) return;
    if (WaitForSingleObject(process_, 0) != WAIT_OBJECT_0) {
        TerminateProcess(process_, 99);
        WaitForSingleObject(process_, kExitWaitMs);
    }
    CloseHandle(process_);
}

int64_t ProgramRun::waitForExit(DWORD timeoutMs) {
    if (process_ == nullptr || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return code;
}

namespace {

struct WindowSearch {
    DWORD processId;
    const wchar_t* className;
    int controlId;
    HWND found;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t className[64] = {};
    GetClassNameW(window, className, static_cast<int>(std::size(className)));
    if (owner != search->processId || !IsWindowVisible(window) || std::wcscmp(className, search->className) != 0)
        return TRUE;
    if (search->controlId != 0 && GetDlgItem(window, search->controlId) == nullptr) return TRUE;
    search->found = window;
    return FALSE;
}

HWND findWindow(DWORD processId, const wchar_t* className, int controlId, DWORD timeoutMs) {
    WindowSearch search = {processId, className, controlId, nullptr};
    waitUntil([&] {
        EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
    }, timeoutMs);
    return search.found;
}

}  // namespace

HWND ProgramRun::mainWindow(DWORD timeoutMs) {
    return findWindow(processId_, L"Quillbex_MainWnd", 0, timeoutMs);
}

HWND ProgramRun::dialog(int controlId, DWORD timeoutMs) {
    return findWindow(processId_, L"#32770", controlId, timeoutMs);
}

namespace {

// Every module of `process` with its name in lower case.
std::vector<std::pair<HMODULE, std::wstring>> modulesOf(HANDLE process) {
    std::vector<std::pair<HMODULE, std::wstring>> found;
    HMODULE modules[512];
    DWORD bytes = 0;
    if (!EnumProcessModules(process, modules, sizeof modules, &bytes)) return found;
    for (DWORD i = 0; i < std::min<DWORD>(bytes / sizeof(HMODULE), 512); ++i) {
        wchar_t name[MAX_PATH] = {};
        if (GetModuleBaseNameW(process, modules[i], name, MAX_PATH) == 0) continue;
        std::wstring lower = name;
        for (wchar_t& c : lower) c = static_cast<wchar_t>(std::towlower(c));
        found.emplace_back(modules[i], lower);
    }
    return found;
}

}  // namespace

std::vector<std::wstring> ProgramRun::loadedModules() const {
    std::vector<std::wstring> names;
    for (const auto& [module, name] : modulesOf(process_)) names.push_back(name);
    return names;
}

HMODULE ProgramRun::moduleHandle(const wchar_t* name) const {
    for (const auto& [module, moduleName] : modulesOf(process_))
        if (moduleName == name) return module;
    return nullptr;
}

std::wstring windowText(HWND window) {
    wchar_t text[1024] = {};
    SendMessageTimeoutW(window, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        kWindowWaitMs, nullptr);
    return text;
}

std::wstring messageBoxText(HWND box) {
    std::wstring text;
    EnumChildWindows(box, [](HWND child, LPARAM parameter) -> BOOL {
        wchar_t className[32] = {};
        GetClassNameW(child, className, static_cast<int>(std::size(className)));
        if (_wcsicmp(className, L"Static") == 0) {
            const std::wstring part = windowText(child);
            auto* all = reinterpret_cast<std::wstring*>(parameter);
            if (!part.empty()) *all += (all->empty() ? L"" : L"\n") + part;
        }
        return TRUE;
    }, reinterpret_cast<LPARAM>(&text));
    return text;
}

void clickButton(HWND dialog, int controlId) {
    PostMessageW(GetDlgItem(dialog, controlId), BM_CLICK, 0, 0);
}

void postCommand(HWND window, int controlId, int code) {
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(controlId, code),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, controlId)));
}
