# Thru latency of the MIDI input thread while a large pattern plays (a bench
# program; run it from the native-release build).
add_executable(input_thru_latency ${CMAKE_CURRENT_LIST_DIR}/input_thru_latency.cpp)
target_link_libraries(input_thru_latency PRIVATE quillbex_workers)
