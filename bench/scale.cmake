add_executable(bench_scale ${CMAKE_CURRENT_LIST_DIR}/bench_scale.cpp)
target_link_libraries(bench_scale PRIVATE veyra_app veyra_benchgen veyra_benchtransfer)
