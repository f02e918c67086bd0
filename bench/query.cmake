add_executable(bench_query ${CMAKE_CURRENT_LIST_DIR}/bench_query.cpp)
target_link_libraries(bench_query PRIVATE veyra_employer veyra_person veyra_benchgen)
