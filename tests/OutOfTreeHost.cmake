# Installs the built library into a scratch prefix, then configures, builds and runs the example host against it.
#   cmake -DBUILD=<build dir> -DSOURCE=<examples/host> -DWORK=<scratch dir> -P OutOfTreeHost.cmake
file(REMOVE_RECURSE ${WORK})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${WORK}/prefix OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE} -B ${WORK}/build -DCMAKE_PREFIX_PATH=${WORK}/prefix
                OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK}/build OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${WORK}/build/host ${WORK}/build/libquarry_walkers.so COMMAND_ERROR_IS_FATAL ANY)
