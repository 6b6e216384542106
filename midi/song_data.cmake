# Song data (Standard MIDI File reader) and channel-status mirror: portable.
add_library(quillbex_song_data STATIC
    ${CMAKE_CURRENT_LIST_DIR}/midi_status.cpp
)
