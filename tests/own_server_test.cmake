# qob_own_server_test(name sources...): a test program whose tests start X
# servers of their own. Natively a program like any other; under WIN32 its
# tests run together as one script test, the program under wine on an Xvfb of
# its own (QOB_OWN_SERVER set): every test must pass, none be skipped. The
# wineserver's pointer and foreground window are shared, so it runs alone.
function(qob_own_server_test name)
  if(NOT WIN32)
    qob_test(${name} ${ARGN})
    return()
  endif()
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE qob_test_support GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE QOB_PROGRAM="${QOB_TEST_PATH_PREFIX}$<TARGET_FILE:qob>"
                                             VALUE_APP="${QOB_TEST_PATH_PREFIX}$<TARGET_FILE:value_app>")
  add_dependencies(${name} qob value_app)
  qob_warnings(${name})
  add_test(NAME ${name}.OnItsOwnServer
    COMMAND ${PROJECT_SOURCE_DIR}/tests/platform/win/on_own_server.sh $<TARGET_FILE:${name}> "*")
  set_tests_properties(${name}.OnItsOwnServer PROPERTIES TIMEOUT 300 RUN_SERIAL TRUE)
endfunction()
