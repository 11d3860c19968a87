# KORVALESEN_FUZZ builds the libFuzzer targets of the parsers and only the libraries they use.
# Everything is compiled with the fuzzer's coverage hooks and AddressSanitizer with
# UndefinedBehaviorSanitizer; only the fuzz targets link the fuzzer's main.
option(KORVALESEN_FUZZ "Build the libFuzzer targets (clang only)" OFF)

if(KORVALESEN_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "KORVALESEN_FUZZ needs clang (libFuzzer)")
  endif()
  if(NOT KORVALESEN_SANITIZE STREQUAL "")
    message(FATAL_ERROR "KORVALESEN_FUZZ brings its own sanitizers: leave KORVALESEN_SANITIZE empty")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
