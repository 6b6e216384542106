// The box shown at exit when the settings file could not be written.
#pragma once

// Names the settings file at `path` in a box with Retry and Cancel: Retry
// writes the file again (once the user has closed the program that holds
// it, or made the folder writable) and asks again while it still fails;
// Cancel gives up this run's changes. Shown with no owner, since the main
// window is gone by then.
void askToRetrySettingsSave(const wchar_t* path);
