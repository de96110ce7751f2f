# add_vantorel_binding(<target> [SERVER] [SSL] [ENDPOINT <url>] [NAMESPACE <uri>])
#
# Generates a binding of the AuthenticationService with soapcpp2 into the build tree and
# wraps it in the static library <target>. The client side is the default; SERVER makes
# the service skeleton instead. SSL links the runtime built with TLS (and its compile
# definitions, which change the runtime's context layout). ENDPOINT and NAMESPACE default
# to the GETVANTOREL_ENDPOINT and GETVANTOREL_NAMESPACE cache variables.

# The SOAP runtime, as gsoap::runtime (and gsoap::runtime_ssl): the system's libraries, or,
# for a cross build, a runtime compiled here from stdsoap2.cpp of the same gSOAP version as the
# host's soapcpp2 (see scripts/build-windows.sh).
set(GSOAP_RUNTIME_SOURCE_DIR "" CACHE PATH
    "Directory holding stdsoap2.cpp and stdsoap2.h to build the SOAP runtime from")
if(GSOAP_RUNTIME_SOURCE_DIR)
    add_library(gsoap_runtime STATIC "${GSOAP_RUNTIME_SOURCE_DIR}/stdsoap2.cpp")
    target_include_directories(gsoap_runtime SYSTEM PUBLIC "${GSOAP_RUNTIME_SOURCE_DIR}")
    if(WIN32)
        target_link_libraries(gsoap_runtime PUBLIC ws2_32)
    endif()
    add_library(gsoap::runtime ALIAS gsoap_runtime)
else()
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(GSOAPXX REQUIRED IMPORTED_TARGET GLOBAL gsoap++)
    pkg_check_modules(GSOAPSSLXX REQUIRED IMPORTED_TARGET GLOBAL gsoapssl++)
    add_library(gsoap::runtime ALIAS PkgConfig::GSOAPXX)
    add_library(gsoap::runtime_ssl ALIAS PkgConfig::GSOAPSSLXX)
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
        DEPENDS "${out}/authentication_service.h"
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
