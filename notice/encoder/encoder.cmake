# The CV page coder, a build-machine program: a library the unit tests reach
# and the command the build runs over cv.html. Included by notice/ and, in a
# cross build, by the host-tools project that builds it for the build machine.
cmake_path(SET pixquill_root NORMALIZE "${CMAKE_CURRENT_LIST_DIR}/../..")

add_library(pixquill_docpack_core STATIC ${CMAKE_CURRENT_LIST_DIR}/docpack.cpp)
target_include_directories(pixquill_docpack_core PUBLIC ${pixquill_root})
target_link_libraries(pixquill_docpack_core PRIVATE pixquill_warnings)
# The dictionary search takes seconds unoptimised; every build runs it.
target_compile_options(pixquill_docpack_core PRIVATE
  $<$<AND:$<CONFIG:Debug>,$<CXX_COMPILER_ID:GNU,Clang>>:-O2>)

add_executable(pixquill_docpack ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(pixquill_docpack PRIVATE pixquill_docpack_core pixquill_warnings)
