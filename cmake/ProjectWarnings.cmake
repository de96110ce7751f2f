# Strict warnings for our own targets only; generated code is built without them.
function(project_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()
