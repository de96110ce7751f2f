# install_compressed(<source> <name>.gz DESTINATION <dir>)
# Installs <source> gzipped, as Debian keeps manual pages and changelogs: -9 for the
# smallest file, -n so that the same source gives the same bytes.
function(install_compressed source name)
  cmake_parse_arguments(ARG "" "DESTINATION" "" ${ARGN})
  set(out "${CMAKE_CURRENT_BINARY_DIR}/${name}")
  add_custom_command(OUTPUT "${out}" COMMAND gzip -9n -c "${source}" > "${out}"
                     DEPENDS "${source}" VERBATIM)
  string(MAKE_C_IDENTIFIER "compress_${name}" target)
  add_custom_target(${target} ALL DEPENDS "${out}")
  install(FILES "${out}" DESTINATION "${ARG_DESTINATION}")
endfunction()
