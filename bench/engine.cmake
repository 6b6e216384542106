# Pattern pass cost by pattern size (Google Benchmark), and the lateness of
# the pattern thread's notes on the real clock (a bench program).
add_executable(engine_pattern_pass_bench ${CMAKE_CURRENT_LIST_DIR}/pattern_pass_bench.cpp)
target_link_libraries(engine_pattern_pass_bench PRIVATE quillbex_engine benchmark::benchmark)

add_executable(engine_pattern_lateness ${CMAKE_CURRENT_LIST_DIR}/pattern_lateness.cpp)
target_link_libraries(engine_pattern_lateness PRIVATE quillbex_engine)
