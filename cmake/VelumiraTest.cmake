# velumira_add_test(NAME SOURCES a.cpp b.cpp LIBS lib1 lib2)
# One GoogleTest program per call; every case becomes a CTest test run on Qt's
# offscreen platform, so no test needs a display.
function(velumira_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} velumira_test_support GTest::gtest GTest::gmock Qt6::Test)
  # gtest_discover_tests splits a multi-value ENVIRONMENT property into separate
  # arguments (only the first variable would survive), so the variables are set
  # by a `cmake -E env` launcher, which it uses for discovery and for every test.
  set_property(TARGET ${name} PROPERTY CROSSCOMPILING_EMULATOR
    ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
    VELUMIRA_TEST_FIXTURES=${PROJECT_SOURCE_DIR}/../shared/fixtures ASAN_OPTIONS=detect_leaks=1
    LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp)
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 120)
endfunction()
