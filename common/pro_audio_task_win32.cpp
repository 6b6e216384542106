#include "common/pro_audio_task.h"

#include <windows.h>

namespace {

using SetCharacteristics = HANDLE(WINAPI*)(LPCWSTR taskName, LPDWORD taskIndex);
using RevertCharacteristics = BOOL(WINAPI*)(HANDLE registration);

struct AvrtFunctions {
    SetCharacteristics set = nullptr;
    RevertCharacteristics revert = nullptr;
};

template <typename Function>
Function procedure(HMODULE module, const char* name) {
    // Through void*: a FARPROC is converted to the real signature.
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Loaded at run time from the system folder only, so that the program still
// starts where avrt.dll is missing. The module stays loaded for the
// process's life, as the registrations need it.
const AvrtFunctions& avrt() {
    static const AvrtFunctions functions = [] {
        AvrtFunctions found;
        HMODULE module = LoadLibraryExW(L"avrt.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        if (!module) return found;
        found.set = procedure<SetCharacteristics>(module, "AvSetMmThreadCharacteristicsW");
        found.revert = procedure<RevertCharacteristics>(module, "AvRevertMmThreadCharacteristics");
        if (!found.set || !found.revert) found = {};
        return found;
    }();
    return functions;
}

}  // namespace

ProAudioTask::ProAudioTask() {
    if (!avrt().set) return;
    DWORD taskIndex = 0;
    // A refusal is silent: the thread keeps its own priority.
    registration_ = avrt().set(L"Pro Audio", &taskIndex);
}

ProAudioTask::~ProAudioTask() {
    if (registration_) avrt().revert(registration_);
}
