# AddressSanitizer and UndefinedBehaviorSanitizer for the native Debug build.
if(SETUP_SANITIZE AND NOT WIN32)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()
# The fuzz build: every library instrumented for libFuzzer's coverage feedback; only the
# fuzz programs link libFuzzer itself (fuzz/CMakeLists.txt).
if(SETUP_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "SETUP_FUZZ needs clang (the fuzz preset)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
