# Warnings are errors for every target of ours; third-party code is built without them.
function(setup_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align
    -Woverloaded-virtual -Wimplicit-fallthrough -Werror)
  # GCC 12 reports impossible overlaps in inlined std::string concatenation when
  # optimising (its -Wrestrict false positive); keep the warning, not the error.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE -Wno-error=restrict)
  endif()
endfunction()
