# Installs this build into a fresh prefix, then configures, builds and runs
# tests/consumer against it with find_package, as another project would.
#
#   cmake -DBUILD_DIR=... -DCONSUMER_DIR=... -DWORK_DIR=... -DGENERATOR=...
#         -DCXX=... -DCONFIG=... [-DCXX_FLAGS=...] -P consumer_test.cmake
foreach(var BUILD_DIR CONSUMER_DIR WORK_DIR GENERATOR CXX CONFIG)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "consumer_test: ${var} not given")
  endif()
endforeach()

file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)
set(consumer_build ${WORK_DIR}/build)

function(step what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "consumer_test: ${what} failed (${result})")
  endif()
endfunction()

step("install" ${CMAKE_COMMAND} --install ${BUILD_DIR} --config ${CONFIG} --prefix ${prefix})
step("configure" ${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${consumer_build} -G ${GENERATOR}
  -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_BUILD_TYPE=${CONFIG} -DCMAKE_PREFIX_PATH=${prefix}
  # A sanitizer build's library needs the sanitizer runtime in the consumer.
  "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}")
step("build" ${CMAKE_COMMAND} --build ${consumer_build} --config ${CONFIG})
step("run" ${consumer_build}/consumer)
