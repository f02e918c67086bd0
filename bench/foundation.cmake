# Synthetic registers for benchmarks.
add_library(veyra_benchgen STATIC ${CMAKE_CURRENT_LIST_DIR}/RegisterGenerator.cpp ${CMAKE_CURRENT_LIST_DIR}/RegisterGenerator.h
  ${CMAKE_CURRENT_LIST_DIR}/SetBased.cpp ${CMAKE_CURRENT_LIST_DIR}/SetBased.h ${CMAKE_CURRENT_LIST_DIR}/Measure.h
  ${CMAKE_CURRENT_LIST_DIR}/Pairs.cpp ${CMAKE_CURRENT_LIST_DIR}/Pairs.h)
target_include_directories(veyra_benchgen PUBLIC ${CMAKE_SOURCE_DIR}/bench ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(veyra_benchgen PUBLIC veyra_store veyra_transfer)
# The figures of veyra-transfer are measured on the program itself.
add_dependencies(veyra_benchgen veyra-transfer)
target_compile_definitions(veyra_benchgen PUBLIC VEYRA_TRANSFER_PROGRAM="$<TARGET_FILE:veyra-transfer>")

# The transfer commands beside their floors, for bench_exchange and bench_scale.
add_library(veyra_benchtransfer STATIC ${CMAKE_CURRENT_LIST_DIR}/TransferFigures.cpp ${CMAKE_CURRENT_LIST_DIR}/TransferFigures.h)
target_link_libraries(veyra_benchtransfer PUBLIC veyra_benchgen veyra_exchange)

add_executable(veyra-gen-register ${CMAKE_CURRENT_LIST_DIR}/gen_register.cpp)
target_link_libraries(veyra-gen-register PRIVATE veyra_benchgen)

add_executable(bench_startup ${CMAKE_CURRENT_LIST_DIR}/bench_startup.cpp)
target_link_libraries(bench_startup PRIVATE veyra_app veyra_benchgen)
