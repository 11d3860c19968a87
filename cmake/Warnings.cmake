# Every target of the project is built with these warnings. KORVALESEN_WERROR makes them fail
# the build: our presets and CI turn it on; a packager's plain build leaves it off, so that a
# newer compiler's new warning does not stop it.
option(KORVALESEN_WERROR "Treat compiler warnings as errors" OFF)

add_compile_options(-Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
                    -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual)
if(KORVALESEN_WERROR)
  add_compile_options(-Werror)
endif()
