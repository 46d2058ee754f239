# In a cross build, the programs that must run on the build machine (the CV
# page coder, and with tests the end-to-end harness) come from a nested build
# with the build machine's own compiler: cmake/host.
#
# Sets PIXQUILL_HOST_DOCPACK and PIXQUILL_HOST_E2E to their paths and defines
# the target pixquill_host_tools that builds them.
include(ExternalProject)

set(host_dir ${PROJECT_BINARY_DIR}/host-tools)
set(PIXQUILL_HOST_DOCPACK ${host_dir}/pixquill_docpack)
set(PIXQUILL_HOST_E2E ${host_dir}/e2e_test)

ExternalProject_Add(pixquill_host_tools
  SOURCE_DIR ${PROJECT_SOURCE_DIR}/cmake/host
  BINARY_DIR ${host_dir}
  PREFIX ${PROJECT_BINARY_DIR}/host-tools-steps
  # No toolchain file reaches the nested build: it uses the host compiler.
  CMAKE_ARGS
    -DCMAKE_BUILD_TYPE=Release
    -DPIXQUILL_WARNINGS_AS_ERRORS=${PIXQUILL_WARNINGS_AS_ERRORS}
    -DPIXQUILL_BUILD_TESTS=${PIXQUILL_BUILD_TESTS}
  # Runs the nested build every time, so that edits to the coder or the
  # harness are picked up; an up-to-date nested build costs one ninja call.
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS ${PIXQUILL_HOST_DOCPACK} ${PIXQUILL_HOST_E2E}
  INSTALL_COMMAND "")
