# Song data (Standard MIDI File reader) and channel-status mirror: portable.
add_library(quillbex_song_data STATIC
    ${CMAKE_CURRENT_LIST_DIR}/midi_data.cpp
    ${CMAKE_CURRENT_LIST_DIR}/midi_data_file.cpp
    ${CMAKE_CURRENT_LIST_DIR}/midi_data_texts.cpp
    ${CMAKE_CURRENT_LIST_DIR}/midi_data_time.cpp
    ${CMAKE_CURRENT_LIST_DIR}/smf_reader.cpp
    ${CMAKE_CURRENT_LIST_DIR}/text_decoding.cpp
    ${CMAKE_CURRENT_LIST_DIR}/midi_status.cpp
)
# Song texts are decoded by Windows where it exists (kernel32), by iconv
# (part of the C library on glibc) elsewhere.
if(WIN32)
    target_sources(quillbex_song_data PRIVATE ${CMAKE_CURRENT_LIST_DIR}/text_decoding_windows.cpp)
else()
    target_sources(quillbex_song_data PRIVATE ${CMAKE_CURRENT_LIST_DIR}/text_decoding_iconv.cpp)
    find_package(Iconv REQUIRED)
    target_link_libraries(quillbex_song_data PUBLIC Iconv::Iconv)
endif()
