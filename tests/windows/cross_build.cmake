# Cross-builds getVantorel.exe, the memory probe and Freshwell.exe into CROSS_DIR with
# scripts/build-windows.sh (which makes the machine's mingw Qt first if it has none), and
# the installer stand-in of the Freshwell test.
# Usage: cmake -DSOURCE_DIR=... -DCROSS_DIR=... -DENDPOINT=... -DNAMESPACE=... -DGSOAP_DIR=...
#        -P cross_build.cmake
execute_process(COMMAND sh ${SOURCE_DIR}/scripts/build-windows.sh ${CROSS_DIR}
                        -DGETVANTOREL_ENDPOINT=${ENDPOINT} -DGETVANTOREL_NAMESPACE=${NAMESPACE}
                        -DGSOAP_RUNTIME_SOURCE_DIR=${GSOAP_DIR}
                COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND x86_64-w64-mingw32-gcc-posix -municode -O2 -static -Wall -Wextra -Werror
                        -o ${CROSS_DIR}/record_arguments.exe
                        ${SOURCE_DIR}/tests/windows/record_arguments.c
                COMMAND_ERROR_IS_FATAL ANY)
