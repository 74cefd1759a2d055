# Warnings are errors for every target of ours; third-party code is built without them.
function(setup_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align
    -Woverloaded-virtual -Wimplicit-fallthrough -Werror)
endfunction()
