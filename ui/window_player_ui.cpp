#include "ui/window_player_ui.h"

#include <memory>
#include <new>
#include <string>

#include "resources/resource_ids.h"
#include "ui/message_box.h"

static_assert(static_cast<int32_t>(WindowCommand::start) == IDC_START_BUTTON);
static_assert(static_cast<int32_t>(WindowCommand::stop) == IDC_STOP_BUTTON);
static_assert(static_cast<int32_t>(WindowCommand::continuePlaying) == IDC_CONTINUE_BUTTON);

int32_t warningStringId(Warning warning) {
    switch (warning) {
    case Warning::clockCreateFailed: return IDS_CLOCK_CREATE_FAILED;
    case Warning::fileLoadFailed: return IDS_FILE_LOAD_FAILED;
    case Warning::frameTimeBase: return IDS_FRAME_TIME_BASE;
    case Warning::noPatternLoaded: return IDS_NO_PATTERN_LOADED;
    case Warning::inputGone: return IDS_INPUT_GONE;
    case Warning::outputGone: return IDS_OUTPUT_GONE;
    }
    return IDS_FILE_LOAD_FAILED;
}

void WindowPlayerUi::postCommand(WindowCommand command) {
    PostMessageW(window_, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(command), 0), 0);
}

void WindowPlayerUi::showWarning(Warning warning, const wchar_t* detail) {
    showStringMessage(window_, warningStringId(warning), detail, MB_OK | MB_ICONWARNING);
}

void WindowPlayerUi::showSongWarning(const SongLoadResult& result) {
    if (result) showWarning(result->kind, result->path.c_str());
}

void WindowPlayerUi::postWarning(Warning warning, const wchar_t* detail) {
    auto* copy = new (std::nothrow) std::wstring(detail != nullptr ? detail : L"");
    if (copy == nullptr) return;
    if (!PostMessageW(window_, kPostedWarningMessage, static_cast<WPARAM>(warningStringId(warning)),
                      reinterpret_cast<LPARAM>(copy))) {
        delete copy;
    }
}

void WindowPlayerUi::showPostedWarning(WPARAM wParam, LPARAM lParam) {
    const std::unique_ptr<std::wstring> detail(reinterpret_cast<std::wstring*>(lParam));
    if (detail == nullptr) return;
    showStringMessage(window_, static_cast<int32_t>(wParam), detail->empty() ? nullptr : detail->c_str(),
                      MB_OK | MB_ICONWARNING);
}
