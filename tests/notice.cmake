# Unit tests of the notice module (expansion core, coder, publishing).
add_executable(notice_test ${CMAKE_CURRENT_LIST_DIR}/notice_test.cpp)
target_compile_definitions(notice_test PRIVATE
  PIXQUILL_CV_HTML="${PROJECT_SOURCE_DIR}/notice/cv.html")
target_link_libraries(notice_test PRIVATE
  pixquill_notice pixquill_docpack_core pixquill_warnings GTest::gtest_main)
# The command tests run the coder program itself. The coder a cross build
# runs is the build machine's copy, which a test running on the target
# cannot start: the native build tests the command.
if(NOT CMAKE_CROSSCOMPILING)
  target_compile_definitions(notice_test PRIVATE
    PIXQUILL_DOCPACK="$<TARGET_FILE:pixquill_docpack>")
  add_dependencies(notice_test pixquill_docpack)
endif()
gtest_discover_tests(notice_test)
