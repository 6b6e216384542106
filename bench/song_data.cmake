# Load speed of the Standard MIDI File reader.
add_executable(smf_load_bench ${CMAKE_CURRENT_LIST_DIR}/smf_load_bench.cpp)
target_link_libraries(smf_load_bench PRIVATE quillbex_song_data benchmark::benchmark)
