include(GoogleTest)

# veyra_add_test(NAME name SOURCES ... LIBS ... [LABEL layer] [SERIAL])
# One GoogleTest executable per layer; each case becomes a CTest test (the test
# main makes it run offscreen with a UTF-8 locale over the source tree's data,
# so local runs and CI behave alike). Every case
# carries its layer as a CTest label (the test folder's name unless LABEL says
# otherwise), so `ctest -L store` runs one layer.
function(veyra_add_test)
  cmake_parse_arguments(T "SERIAL" "NAME;LABEL" "SOURCES;LIBS" ${ARGN})
  # Tests sharing an outside resource (the print server's output) run alone.
  set(serial "")
  if(T_SERIAL)
    set(serial RUN_SERIAL TRUE)
  endif()
  set(label "${T_LABEL}")
  if(NOT label)
    get_filename_component(label "${CMAKE_CURRENT_SOURCE_DIR}" NAME)
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} veyra_testsupport GTest::gtest Qt6::Test)
  # Parameterised cases are named by their own name generators; CTest keeps
  # those names rather than appending GoogleTest's print of the parameter.
  # Only single-valued properties here: this CMake splits a list value given
  # to PROPERTIES (the environment is set by the test main instead).
  gtest_discover_tests(${T_NAME}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    NO_PRETTY_VALUES
    PROPERTIES LABELS ${label} TIMEOUT 300 ${serial})
endfunction()
