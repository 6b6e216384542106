# Build flags shared by every target, and the helper that registers tests.

if(MSVC)
    add_compile_options(/W4 /utf-8)
else()
    add_compile_options(-Wall -Wextra -Wshadow)
endif()

if(WIN32)
    add_compile_definitions(UNICODE _UNICODE STRICT WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
    if(MINGW)
        # Every .exe runs without the MinGW runtime DLLs beside it.
        add_link_options(-static -static-libgcc -static-libstdc++)
        # No link time in the files and no source or build folder in the
        # debug information, so the same sources give the same bytes wherever
        # they are built (the package is reproducible). The compiler tries
        # the last map first: a file in either folder loses the folder, and
        # the build folder itself, which each object names as its working
        # folder, becomes "." wherever it lies, inside the tree or not.
        add_link_options(-Wl,--no-insert-timestamp)
        add_compile_options(-ffile-prefix-map=${PROJECT_BINARY_DIR}=.
                            -ffile-prefix-map=${PROJECT_SOURCE_DIR}/=
                            -ffile-prefix-map=${PROJECT_BINARY_DIR}/=)
    endif()
endif()

if(QUILLBEX_SANITIZE STREQUAL "address")
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
elseif(QUILLBEX_SANITIZE STREQUAL "thread")
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
elseif(QUILLBEX_SANITIZE STREQUAL "fuzzer")
    # Coverage for libFuzzer in every library; only the fuzzer itself links
    # libFuzzer's main.
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined
                        -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()

# GoogleTest from Debian's sources, built with this build's own flags (so the
# sanitizers and the MinGW runtime match).
set(QUILLBEX_GTEST_SOURCE "/usr/src/googletest" CACHE PATH "GoogleTest sources")
function(quillbex_use_gtest)
    if(TARGET gtest)
        return()
    endif()
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    add_subdirectory(${QUILLBEX_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
endfunction()

# quillbex_add_test(NAME SOURCES ... LIBRARIES ...)
# One executable is one ctest test: under Wine each process start costs a
# second or two, so the cases of a suite run in one process. Every test
# links GoogleTest and the test kit's songs, bytes and fake time
# (tests/support); the other parts of the kit are linked by the tests that
# use them.
function(quillbex_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES" ${ARGN})
    quillbex_use_gtest()
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} quillbex_test_kit gtest gtest_main)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES TIMEOUT 600)
endfunction()

# quillbex_use_language_modules(TARGET)
# A Windows test that loads the language modules: they are built first and
# found from the test program's own folder (QUILLBEX_MODULE_DIR_FROM_TEST),
# so the same relative path works on Windows and under Wine. Suites that
# make windows of the main window's class run one at a time: the program's
# single-instance search would find another suite's window.
function(quillbex_use_language_modules target)
    add_dependencies(${target} ${QUILLBEX_LANGUAGE_MODULES})
    if(CMAKE_RUNTIME_OUTPUT_DIRECTORY)
        set(test_dir ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
    else()
        set(test_dir ${CMAKE_CURRENT_BINARY_DIR})
    endif()
    file(RELATIVE_PATH module_dir ${test_dir} ${QUILLBEX_LANGUAGE_MODULE_DIR})
    target_compile_definitions(${target} PRIVATE "QUILLBEX_MODULE_DIR_FROM_TEST=L\"${module_dir}\"")
    target_link_libraries(${target} PRIVATE quillbex_test_language_modules)
    set_tests_properties(${target} PROPERTIES RESOURCE_LOCK wine_windows)
endfunction()
