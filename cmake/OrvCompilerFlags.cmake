# Flags every build of the program uses.

# Every displayed digit must be the same on every build: no fused multiply-add,
# no fast-math. These come after any flags a distribution passes.
add_compile_options(-ffp-contract=off -fno-fast-math -Wall -Wextra -Wpedantic)

if(ORV_WERROR)
  set(CMAKE_COMPILE_WARNING_AS_ERROR ON)
endif()

if(ORV_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
