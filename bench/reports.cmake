# Laying out and painting one page of each printed form.
add_executable(bench_reports ${CMAKE_CURRENT_LIST_DIR}/bench_reports.cpp)
target_link_libraries(bench_reports PRIVATE veyra_reports veyra_reports_samples)
