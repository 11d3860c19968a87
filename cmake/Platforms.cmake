# The systems this tree builds for and the wings each one takes: the folders under platform/
# that hold its operating-system calls, and the folder under app/ that holds its window.
# Another system is one line in each table and the folders it names.
set(korvalesen_platform_wings_Linux posix linux qt)
set(korvalesen_platform_wings_Windows win32)
set(korvalesen_view_wing_Linux qt)
set(korvalesen_view_wing_Windows win32)

if(NOT DEFINED korvalesen_platform_wings_${CMAKE_SYSTEM_NAME})
  message(FATAL_ERROR "Korvalesen has no wings for the system ${CMAKE_SYSTEM_NAME}")
endif()
set(KORVALESEN_PLATFORM_WINGS ${korvalesen_platform_wings_${CMAKE_SYSTEM_NAME}})
set(KORVALESEN_VIEW_WING ${korvalesen_view_wing_${CMAKE_SYSTEM_NAME}})
