# korvalesen_include_root(<target> <folder> [PRIVATE])
# Gives the target an include root in the build tree that holds only a link to its own source
# folder, and publishes that root (PRIVATE: uses it itself only). `#include "serial/com_port.h"`
# then resolves only in targets that link korvalesen_serial, so a layer that includes another
# has to link it, and the build keeps the dependency graph true.
function(korvalesen_include_root target folder)
  set(scope PUBLIC)
  if(ARGV2 STREQUAL "PRIVATE")
    set(scope PRIVATE)
  endif()
  set(root ${PROJECT_BINARY_DIR}/include_roots/${folder})
  if(NOT IS_SYMLINK ${root}/${folder})
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  endif()
  target_include_directories(${target} ${scope} ${root})
endfunction()
