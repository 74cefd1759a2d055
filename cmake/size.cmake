# The stub is downloaded with every setup, so the Windows builds optimise for size. Both
# Windows presets use MinSizeRel, so that the win64 build the tests run is built as the
# shipping win32 build is.
# - Link-time optimisation keeps only what the program calls. The linker alone cannot:
#   on Windows it keeps every function that has unwind information (.eh_frame and
#   .pdata are kept whole), so --gc-sections removes little by itself.
# - One link-time partition: with several, MinGW GCC 12 stops on this code with an
#   internal compiler error (in binds_to_current_def_p).
# - No run-time type information: nothing asks for it (no dynamic_cast, no typeid); the
#   types that are thrown keep theirs.
if(WIN32 AND CMAKE_BUILD_TYPE STREQUAL "MinSizeRel")
  set(CMAKE_INTERPROCEDURAL_OPTIMIZATION ON)
  # Subprojects that ask for an older CMake (the test framework) take the setting too.
  set(CMAKE_POLICY_DEFAULT_CMP0069 NEW)
  add_compile_options(-ffunction-sections -fdata-sections -fno-rtti)
  add_link_options(-s -Wl,--gc-sections -flto-partition=one)
endif()

# Writes the linker's map beside a Windows program (NAME.exe.map): scripts/stub-size
# reads it to show what takes the space.
function(setup_link_map target)
  if(WIN32)
    target_link_options(${target} PRIVATE -Wl,-Map=$<TARGET_FILE:${target}>.map)
  endif()
endfunction()
