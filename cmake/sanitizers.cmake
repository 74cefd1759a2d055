# AddressSanitizer and UndefinedBehaviorSanitizer for the native Debug build.
if(SETUP_SANITIZE AND NOT WIN32)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()
