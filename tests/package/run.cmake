# Installs the build into a scratch prefix, then configures, builds and runs
# the consumer project against it. Fails on any step that fails.
file(REMOVE_RECURSE ${WORK})
function(step)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${ARGN} failed (${status}):\n${out}\n${err}")
  endif()
  message(STATUS "${out}")
endfunction()
step(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK}/prefix)
step(${CMAKE_COMMAND} -S ${SOURCE} -B ${WORK}/build -DCMAKE_PREFIX_PATH=${WORK}/prefix)
step(${CMAKE_COMMAND} --build ${WORK}/build)
step(${WORK}/build/consumer)
