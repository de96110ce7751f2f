# add_vantorel_binding(<target> [SERVER] [SSL] [ENDPOINT <url>] [NAMESPACE <uri>])
#
# Generates a binding of the AuthenticationService with soapcpp2 into the build tree and
# wraps it in the static library <target>. The client side is the default; SERVER makes
# the service skeleton instead. SSL links the runtime built with TLS (and its compile
# definitions, which change the runtime's context layout). ENDPOINT and NAMESPACE default
# to the GETVANTOREL_ENDPOINT and GETVANTOREL_NAMESPACE cache variables.

# The SOAP runtime, as gsoap::runtime (and gsoap::runtime_ssl with TLS): compiled here from
# stdsoap2.cpp of the same gSOAP version as the host's soapcpp2, Debian's source of it, with
# our patch (gsoap-runtime/stdsoap2.patch, see docs/soap-runtime.md). Static, and instrumented
# like everything else in a sanitizer tree.
set(GSOAP_RUNTIME_SOURCE_DIR "" CACHE PATH
    "Directory holding stdsoap2.cpp and stdsoap2.h (default: fetched into the build tree)")
set(gsoap_source_dir "${GSOAP_RUNTIME_SOURCE_DIR}")
if(NOT gsoap_source_dir)
    # Copied from the machine's download cache; the script does nothing when the files are there.
    set(gsoap_source_dir "${CMAKE_BINARY_DIR}/gsoap-runtime")
    execute_process(
        COMMAND sh "${CMAKE_CURRENT_LIST_DIR}/../scripts/fetch-gsoap-runtime.sh" "${gsoap_source_dir}"
        RESULT_VARIABLE fetch_result)
    if(NOT fetch_result EQUAL 0)
        message(FATAL_ERROR "Cannot fetch the SOAP runtime's source (see above)")
    endif()
endif()
# For builds this tree starts itself (the Windows cross build), so they need not fetch again.
set_property(GLOBAL PROPERTY GSOAP_RUNTIME_SOURCE_DIR "${gsoap_source_dir}")
set(gsoap_patch "${CMAKE_CURRENT_LIST_DIR}/gsoap-runtime/stdsoap2.patch")
set(gsoap_patched "${CMAKE_BINARY_DIR}/gsoap-runtime/patched")
find_program(PATCH_EXECUTABLE patch REQUIRED)
add_custom_command(
    OUTPUT "${gsoap_patched}/stdsoap2.cpp" "${gsoap_patched}/stdsoap2.h"
    COMMAND "${CMAKE_COMMAND}" -E make_directory "${gsoap_patched}"
    COMMAND "${CMAKE_COMMAND}" -E copy "${gsoap_source_dir}/stdsoap2.cpp"
            "${gsoap_source_dir}/stdsoap2.h" "${gsoap_patched}/"
    COMMAND "${PATCH_EXECUTABLE}" --batch --quiet -p1 -d "${gsoap_patched}" -i "${gsoap_patch}"
    DEPENDS "${gsoap_source_dir}/stdsoap2.cpp" "${gsoap_source_dir}/stdsoap2.h" "${gsoap_patch}"
    COMMENT "Patching the SOAP runtime"
    VERBATIM)

# gsoap_runtime_library(<target> [definitions...]): the runtime built with these WITH_* flags,
# which change the context's layout, so whoever includes stdsoap2.h gets them too.
function(gsoap_runtime_library target)
    add_library(${target} STATIC "${gsoap_patched}/stdsoap2.cpp" "${gsoap_patched}/stdsoap2.h")
    target_include_directories(${target} SYSTEM PUBLIC "${gsoap_patched}")
    target_compile_definitions(${target} PUBLIC ${ARGN})
    target_compile_options(${target} PRIVATE -w) # not our code
endfunction()

gsoap_runtime_library(gsoap_runtime)
if(WIN32)
    target_link_libraries(gsoap_runtime PUBLIC ws2_32)
endif()
add_library(gsoap::runtime ALIAS gsoap_runtime)
if(NOT GETVANTOREL_ONLY AND NOT WIN32) # no OpenSSL for Windows
    find_package(OpenSSL REQUIRED)
    gsoap_runtime_library(gsoap_runtime_ssl WITH_OPENSSL)
    target_link_libraries(gsoap_runtime_ssl PUBLIC OpenSSL::SSL OpenSSL::Crypto)
    add_library(gsoap::runtime_ssl ALIAS gsoap_runtime_ssl)
endif()
find_program(SOAPCPP2_EXECUTABLE soapcpp2 REQUIRED)

function(add_vantorel_binding target)
    cmake_parse_arguments(ARG "SERVER;SSL" "ENDPOINT;NAMESPACE" "" ${ARGN})
    if(NOT ARG_ENDPOINT)
        set(ARG_ENDPOINT "${GETVANTOREL_ENDPOINT}")
    endif()
    if(NOT ARG_NAMESPACE)
        set(ARG_NAMESPACE "${GETVANTOREL_NAMESPACE}")
    endif()

    set(out "${CMAKE_CURRENT_BINARY_DIR}/${target}")
    set(VANTOREL_ENDPOINT "${ARG_ENDPOINT}")
    set(VANTOREL_NAMESPACE "${ARG_NAMESPACE}")
    configure_file("${CMAKE_CURRENT_FUNCTION_LIST_DIR}/authentication_service.h.in"
                   "${out}/authentication_service.h" @ONLY)

    if(ARG_SERVER)
        set(side_flag -S)
        set(side_source soapServer.cpp)
    else()
        set(side_flag -C)
        set(side_source soapClient.cpp)
    endif()
    # -1 SOAP 1.1, -L no soapClientLib/soapServerLib, -x no sample messages, -w no WSDL.
    add_custom_command(
        OUTPUT "${out}/soapC.cpp" "${out}/${side_source}" "${out}/soapH.h"
               "${out}/soapStub.h" "${out}/AuthenticationService.nsmap"
        COMMAND "${SOAPCPP2_EXECUTABLE}" -1 ${side_flag} -L -x -w -d "${out}"
                "${out}/authentication_service.h"
        COMMAND "${CMAKE_COMMAND}" -DFILE=${out}/soapC.cpp
                -P "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/close_failed_array_blocks.cmake"
        DEPENDS "${out}/authentication_service.h"
                "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/close_failed_array_blocks.cmake"
        COMMENT "Generating AuthenticationService binding ${target}"
        VERBATIM)

    # The namespace table goes into the same object as the calls (or the dispatcher), so
    # whoever links a call also gets the table the runtime looks up in soap_init.
    file(CONFIGURE OUTPUT "${out}/binding_unit.cpp" CONTENT
"#include \"${side_source}\"\n#include \"AuthenticationService.nsmap\"\n" @ONLY)
    set_source_files_properties("${out}/binding_unit.cpp" PROPERTIES
        OBJECT_DEPENDS "${out}/${side_source};${out}/AuthenticationService.nsmap")

    add_library(${target} STATIC "${out}/soapC.cpp" "${out}/binding_unit.cpp")
    target_include_directories(${target} PUBLIC "${out}")
    if(ARG_SSL)
        target_link_libraries(${target} PUBLIC gsoap::runtime_ssl)
    else()
        target_link_libraries(${target} PUBLIC gsoap::runtime)
    endif()
    # Generated code: built without the project's warnings.
    target_compile_options(${target} PRIVATE -w)
endfunction()
