# Installs the build into a fresh folder and builds and runs the example
# host against it: the CMake package and the pkg-config file are found and
# link. -DBUILD_DIR=... -DSTAGE=... -DRUN=examples/run.sh
file(REMOVE_RECURSE ${STAGE})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${STAGE}/dist
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${rc})")
endif()
execute_process(COMMAND sh ${RUN} ${STAGE}/dist ${STAGE}/work RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the example host failed (${rc})")
endif()
