include(GoogleTest)

# veyra_add_test(NAME name SOURCES ... LIBS ... [SERIAL])
# One GoogleTest executable per layer; each case becomes a CTest test that runs
# offscreen with a UTF-8 locale, so local runs and CI behave alike.
function(veyra_add_test)
  cmake_parse_arguments(T "SERIAL" "NAME" "SOURCES;LIBS" ${ARGN})
  # Tests sharing an outside resource (the print server's output) run alone.
  set(serial "")
  if(T_SERIAL)
    set(serial RUN_SERIAL TRUE)
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} veyra_testsupport GTest::gtest Qt6::Test)
  gtest_discover_tests(${T_NAME}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LANG=C.UTF-8;LC_ALL=C.UTF-8;VEYRA_DATA_DIR=${VEYRA_SOURCE_DATA_DIR}"
               TIMEOUT 300 ${serial})
endfunction()
