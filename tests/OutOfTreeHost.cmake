# Installs the built library into a scratch prefix, then configures, builds and runs the example host against its
# memory component alone, with wxWidgets out of its sight. When the library has the browser dialog, a second project
# asks for the browser component, which finds wxWidgets itself.
#   cmake -DBUILD=<build dir> -DSOURCE=<examples/host> -DCONSUMER=<tests/package> -DBROWSER=<ON|OFF> -DWORK=<scratch dir>
#         -P OutOfTreeHost.cmake
file(REMOVE_RECURSE ${WORK})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${WORK}/prefix OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)

# The memory library is compiled with no wxWidgets header in sight; its installed targets know nothing of
# wxWidgets, and every target says which C++ it needs.
file(READ ${BUILD}/CMakeFiles/TarnDebugUtil.dir/flags.make library)
if(library MATCHES "wx")
    message(FATAL_ERROR "the memory library compiles with wxWidgets' flags")
endif()
file(GLOB_RECURSE targets ${WORK}/prefix/*/TarnDebugUtilMemoryTargets.cmake)
file(READ ${targets} memory)
if(memory MATCHES "wx")
    message(FATAL_ERROR "the memory component's targets mention wxWidgets")
endif()
string(REGEX MATCHALL "INTERFACE_COMPILE_FEATURES \"cxx_std_17\"" features "${memory}")
list(LENGTH features count)
if(NOT count EQUAL 3)
    message(FATAL_ERROR "Tarn::Memory, Tarn::EngineModel and Tarn::HeapCheck must carry cxx_std_17")
endif()

execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE} -B ${WORK}/build -DCMAKE_PREFIX_PATH=${WORK}/prefix
                        -DCMAKE_DISABLE_FIND_PACKAGE_wxWidgets=ON
                OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
file(READ ${WORK}/build/CMakeFiles/host.dir/flags.make flags)
if(flags MATCHES "wx")
    message(FATAL_ERROR "the host compiles with wxWidgets' flags: ${flags}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK}/build OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${WORK}/build/host ${WORK}/build/libquarry_walkers.so COMMAND_ERROR_IS_FATAL ANY)
# The same host under the installed heap check, as a host runs its own program under it.
file(GLOB_RECURSE heapCheck ${WORK}/prefix/*/libTarnHeapCheck.so)
execute_process(COMMAND ${CMAKE_COMMAND} -E env LD_PRELOAD=${heapCheck}
                        ${WORK}/build/host ${WORK}/build/libquarry_walkers.so COMMAND_ERROR_IS_FATAL ANY)

if(BROWSER)
    execute_process(COMMAND ${CMAKE_COMMAND} -S ${CONSUMER} -B ${WORK}/consumer -DCMAKE_PREFIX_PATH=${WORK}/prefix
                            -DCOMPONENTS=Browser
                    OUTPUT_VARIABLE found COMMAND_ERROR_IS_FATAL ANY)
    if(NOT found MATCHES "Tarn::Browser links Tarn::EngineModel;Tarn::wxWidgets and needs cxx_std_17")
        message(FATAL_ERROR "the browser component does not bring wxWidgets:\n${found}")
    endif()
    execute_process(COMMAND ${CMAKE_COMMAND} -S ${CONSUMER} -B ${WORK}/without -DCMAKE_PREFIX_PATH=${WORK}/prefix
                            -DCOMPONENTS=Browser -DCMAKE_DISABLE_FIND_PACKAGE_wxWidgets=ON
                    RESULT_VARIABLE refused OUTPUT_QUIET ERROR_VARIABLE why)
    if(refused EQUAL 0 OR NOT why MATCHES "wxWidgets")
        message(FATAL_ERROR "the browser component was found without wxWidgets:\n${why}")
    endif()
endif()
