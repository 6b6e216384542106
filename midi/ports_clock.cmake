# Clock (portable) and ports: the virtual backend everywhere, WinMM on Windows.
add_library(quillbex_ports_clock STATIC
    ${CMAKE_CURRENT_LIST_DIR}/midi_clock.cpp
    ${CMAKE_CURRENT_LIST_DIR}/midi_clock_timecode.cpp
    ${CMAKE_CURRENT_LIST_DIR}/midi_io.cpp
    ${CMAKE_CURRENT_LIST_DIR}/port_message.cpp
    ${CMAKE_CURRENT_LIST_DIR}/port_queue.cpp
    ${CMAKE_CURRENT_LIST_DIR}/virtual_midi.cpp
)
if(WIN32)
    target_sources(quillbex_ports_clock PRIVATE
        ${CMAKE_CURRENT_LIST_DIR}/winmm_devices.cpp
        ${CMAKE_CURRENT_LIST_DIR}/winmm_input.cpp
        ${CMAKE_CURRENT_LIST_DIR}/winmm_output.cpp
    )
    target_link_libraries(quillbex_ports_clock PUBLIC winmm)
else()
    target_sources(quillbex_ports_clock PRIVATE
        ${CMAKE_CURRENT_LIST_DIR}/port_system_none.cpp
    )
endif()
find_package(Threads REQUIRED)
target_link_libraries(quillbex_ports_clock PUBLIC Threads::Threads)
