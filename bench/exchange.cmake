add_executable(bench_exchange ${CMAKE_CURRENT_LIST_DIR}/bench_exchange.cpp)
target_link_libraries(bench_exchange PRIVATE veyra_exchange)
