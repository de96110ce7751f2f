# Post-processing of the generated soapC.cpp (run by add_vantorel_binding after soapcpp2).
#
# An array read without SOAP-ENC:arrayType collects its items in a block list that it opens
# on top of soap->blist. When an item crosses soap->maxoccurs, the generated reader returns
# NULL with SOAP_OCCURS and leaves that list open. Its caller, the reader of the enclosing
# array, then pops the failed item from the list on top, which is not its own, sizes its
# array from the inner list and copies the inner items into it: a heap overflow as soon as
# the inner list is longer than the outer one. Closing the list before that return keeps
# each reader on its own list; the error still ends the call as a fault.
#
# The records of the binding are plain C structures, so soap_end_block (no destructors to
# run) is the right close for every list. The replacement must hit each block loop exactly
# once: a soapcpp2 that writes the loop differently stops the build here rather than
# leaving the fault in place.
#
# Usage: cmake -DFILE=<soapC.cpp> -P close_failed_array_blocks.cmake
cmake_minimum_required(VERSION 3.25)

# Occurrences of a literal text (the generated code holds semicolons, so no list commands).
function(count_text text what out)
    string(LENGTH "${text}" before)
    string(REPLACE "${what}" "" rest "${text}")
    string(LENGTH "${rest}" after)
    string(LENGTH "${what}" size)
    math(EXPR n "(${before} - ${after}) / ${size}")
    set(${out} ${n} PARENT_SCOPE)
endfunction()

file(READ "${FILE}" code)
set(occurs "\t\t\t\t{\tsoap->error = SOAP_OCCURS;\n\t\t\t\t\treturn NULL;")
count_text("${code}" "soap_alloc_block(soap)" loops)
count_text("${code}" "${occurs}" hits)
if(NOT loops EQUAL hits)
    message(FATAL_ERROR "${FILE}: ${loops} block loops but ${hits} SOAP_OCCURS returns in "
                        "them; the generated readers changed shape, revisit this step")
endif()
string(REPLACE "${occurs}"
       "\t\t\t\t{\tsoap->error = SOAP_OCCURS;\n\t\t\t\t\tsoap_end_block(soap, NULL);\n\t\t\t\t\treturn NULL;"
       code "${code}")
file(WRITE "${FILE}" "${code}")
