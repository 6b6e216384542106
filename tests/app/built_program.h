// The build's laid-out program folder, which the black-box tests copy into
// temporary program folders; found from the test program's own folder.
#pragma once

#include <filesystem>

#include "tools/program_driver/program_run.h"

inline std::filesystem::path builtProgramFolder() {
    return besideThisProgram(QUILLBEX_PROGRAM_FOLDER_FROM_TEST);
}
