# The stub is downloaded with every setup: the size-optimised Windows build keeps it small.
if(WIN32 AND CMAKE_BUILD_TYPE STREQUAL "MinSizeRel")
  add_compile_options(-ffunction-sections -fdata-sections)
  add_link_options(-s -Wl,--gc-sections)
endif()

# Writes the linker's map beside a Windows program (NAME.exe.map): scripts/stub-size
# reads it to show what takes the space.
function(setup_link_map target)
  if(WIN32)
    target_link_options(${target} PRIVATE -Wl,-Map=$<TARGET_FILE:${target}>.map)
  endif()
endfunction()
