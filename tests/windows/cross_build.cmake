# Cross-builds getVantorel.exe and the memory probe into CROSS_DIR for the Wine run.
# Usage: cmake -DSOURCE_DIR=... -DCROSS_DIR=... -DENDPOINT=... -DNAMESPACE=... -DGSOAP_DIR=...
#        -P cross_build.cmake
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${CROSS_DIR} -G Ninja
                        -DCMAKE_BUILD_TYPE=Release
                        -DCMAKE_TOOLCHAIN_FILE=${SOURCE_DIR}/cmake/mingw-w64-x86_64.cmake
                        -DGETVANTOREL_ONLY=ON -DBUILD_TESTING=OFF -DGETVANTOREL_ENDPOINT=${ENDPOINT}
                        -DGETVANTOREL_NAMESPACE=${NAMESPACE} -DGSOAP_RUNTIME_SOURCE_DIR=${GSOAP_DIR}
                COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${CMAKE_COMMAND} --build ${CROSS_DIR} -j 2 COMMAND_ERROR_IS_FATAL ANY)
