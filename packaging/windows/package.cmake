# The Windows packages, made with every build (scripts/package-windows.sh makes them for an FTP
# server of its own): the installer (NSIS) and a plain .zip of the program for a technician
# without installation rights; the Start menu's launcher goes into the installer.
add_executable(korvalesen-start WIN32
  ${CMAKE_CURRENT_LIST_DIR}/korvalesen_start.cpp
  $<TARGET_OBJECTS:korvalesen_window_resources>
  $<TARGET_OBJECTS:korvalesen_version_resource>)
target_link_options(korvalesen-start PRIVATE -municode)

find_program(KORVALESEN_MAKENSIS makensis REQUIRED)
set(KORVALESEN_INSTALLER ${PROJECT_BINARY_DIR}/korvalesen-${PROJECT_VERSION}-setup.exe)
set(KORVALESEN_ZIP ${PROJECT_BINARY_DIR}/korvalesen-${PROJECT_VERSION}-windows.zip)
set(KORVALESEN_EXE $<TARGET_FILE:korvalesen>)
set(KORVALESEN_START_EXE $<TARGET_FILE:korvalesen-start>)
configure_file(${CMAKE_CURRENT_LIST_DIR}/korvalesen.nsi.in
               ${PROJECT_BINARY_DIR}/packaging/korvalesen.nsi.in @ONLY)
file(GENERATE OUTPUT ${PROJECT_BINARY_DIR}/packaging/korvalesen.nsi
     INPUT ${PROJECT_BINARY_DIR}/packaging/korvalesen.nsi.in)

add_custom_command(
  OUTPUT ${KORVALESEN_INSTALLER}
  COMMAND ${KORVALESEN_MAKENSIS} -V2 -NOCD ${PROJECT_BINARY_DIR}/packaging/korvalesen.nsi
  DEPENDS korvalesen korvalesen-start ${PROJECT_BINARY_DIR}/packaging/korvalesen.nsi
  COMMENT "Making the installer korvalesen-${PROJECT_VERSION}-setup.exe"
  VERBATIM)
add_custom_command(
  OUTPUT ${KORVALESEN_ZIP}
  COMMAND ${CMAKE_COMMAND} -E tar cf ${KORVALESEN_ZIP} --format=zip -- korvalesen.exe
  WORKING_DIRECTORY $<TARGET_FILE_DIR:korvalesen>
  DEPENDS korvalesen
  COMMENT "Making korvalesen-${PROJECT_VERSION}-windows.zip"
  VERBATIM)
add_custom_target(korvalesen-packages ALL DEPENDS ${KORVALESEN_INSTALLER} ${KORVALESEN_ZIP})
