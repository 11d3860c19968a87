# KORVALESEN_SANITIZE selects an instrumented build: "address" (AddressSanitizer with
# UndefinedBehaviorSanitizer) or "thread" (ThreadSanitizer). Empty is a normal build.
set(KORVALESEN_SANITIZE "" CACHE STRING "Sanitizer build: empty, address or thread")
set_property(CACHE KORVALESEN_SANITIZE PROPERTY STRINGS "" address thread)

if(KORVALESEN_SANITIZE STREQUAL "address")
  set(sanitizer_flags -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
elseif(KORVALESEN_SANITIZE STREQUAL "thread")
  set(sanitizer_flags -fsanitize=thread -fno-omit-frame-pointer)
elseif(NOT KORVALESEN_SANITIZE STREQUAL "")
  message(FATAL_ERROR "KORVALESEN_SANITIZE must be empty, address or thread")
endif()

if(sanitizer_flags)
  add_compile_options(${sanitizer_flags})
  add_link_options(${sanitizer_flags})
endif()
