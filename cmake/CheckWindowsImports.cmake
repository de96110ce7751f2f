# Fails unless a Windows program imports exactly the DLLs given: a compiler DLL imported
# there would have to ship with it.
# With SUBSYSTEM, also that the PE header names that subsystem (2 GUI, 3 console).
# Usage: cmake -DOBJDUMP=<objdump> -DPROGRAM=<exe> -DEXPECTED=a.dll,b.dll [-DSUBSYSTEM=2]
#        -P CheckWindowsImports.cmake
execute_process(COMMAND "${OBJDUMP}" -p "${PROGRAM}" OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "${OBJDUMP} could not read ${PROGRAM}")
endif()
string(REGEX MATCHALL "DLL Name: [^\n]+" lines "${dump}")
set(imports "")
foreach(line IN LISTS lines)
    string(REGEX REPLACE "DLL Name: *" "" name "${line}")
    string(TOLOWER "${name}" name)
    list(APPEND imports "${name}")
endforeach()
list(SORT imports)
string(REPLACE "," ";" EXPECTED "${EXPECTED}")
if(NOT imports STREQUAL EXPECTED)
    message(FATAL_ERROR "${PROGRAM} imports ${imports} instead of ${EXPECTED}")
endif()
if(DEFINED SUBSYSTEM AND NOT dump MATCHES "\nSubsystem[ \t]+0*${SUBSYSTEM}[ \t]")
    string(REGEX MATCH "\nSubsystem[^\n]*" found "${dump}")
    message(FATAL_ERROR "${PROGRAM} is not of subsystem ${SUBSYSTEM}:${found}")
endif()
