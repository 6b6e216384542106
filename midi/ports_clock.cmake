# Clock (portable) and ports: the virtual backend everywhere, WinMM on Windows.
add_library(quillbex_ports_clock STATIC
    ${CMAKE_CURRENT_LIST_DIR}/midi_clock.cpp
)
if(WIN32)
    target_link_libraries(quillbex_ports_clock PUBLIC winmm)
endif()
find_package(Threads REQUIRED)
target_link_libraries(quillbex_ports_clock PUBLIC Threads::Threads)
