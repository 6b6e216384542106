# The clock against the monotonic clock over real time, and the cost of
# reading it.
add_executable(clock_drift_bench ${CMAKE_CURRENT_LIST_DIR}/clock_drift_bench.cpp)
target_link_libraries(clock_drift_bench PRIVATE quillbex_ports_clock)

add_executable(clock_benchmarks ${CMAKE_CURRENT_LIST_DIR}/clock_benchmarks.cpp)
target_link_libraries(clock_benchmarks PRIVATE quillbex_ports_clock benchmark::benchmark)
