# The end-to-end harness, a build-machine program: it starts the program under
# test per case in a fresh directory. Included by tests/ and, in a cross build,
# by the host-tools project; the includer names the default program with
# PIXQUILL_DEFAULT_EXE.
cmake_path(SET pixquill_root NORMALIZE "${CMAKE_CURRENT_LIST_DIR}/..")

add_executable(e2e_test ${CMAKE_CURRENT_LIST_DIR}/e2e_test.cpp)
target_link_libraries(e2e_test PRIVATE pixquill_warnings GTest::gtest_main)
target_compile_definitions(e2e_test PRIVATE
  PIXQUILL_CV_HTML="${pixquill_root}/notice/cv.html"
  PIXQUILL_SAMPLES="${pixquill_root}/samples")
