# Sanitizer builds apply to every target, Qt's own code excepted.
if(RK_SANITIZE AND RK_TSAN)
  message(FATAL_ERROR "RK_SANITIZE and RK_TSAN cannot be combined")
endif()

if(RK_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(RK_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()
