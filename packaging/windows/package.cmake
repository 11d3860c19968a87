# The Windows packages, made with every build (scripts/package-windows.sh makes them for an FTP
# server of its own): the installer (NSIS) and a plain .zip of the program for a technician
# without installation rights; the Start menu's launcher goes into the installer. The programs
# are packed from copies in packaging/files, signed there with Authenticode when a certificate
# is given (KORVALESEN_SIGN_CERTIFICATE, its password file or "-" for the environment's
# KORVALESEN_SIGN_PASSWORD, KORVALESEN_SIGN_TIMESTAMP a time-stamp server or "-"); the
# uninstaller and the installer are then signed by makensis as it writes them.
add_executable(korvalesen-start WIN32
  ${CMAKE_CURRENT_LIST_DIR}/korvalesen_start.cpp
  $<TARGET_OBJECTS:korvalesen_window_resources>
  $<TARGET_OBJECTS:korvalesen_version_resource>)
target_link_options(korvalesen-start PRIVATE -municode)
target_link_libraries(korvalesen-start PRIVATE korvalesen_system_library)

set(KORVALESEN_SIGN_CERTIFICATE "" CACHE FILEPATH "Authenticode certificate (.pfx) to sign with")
set(KORVALESEN_SIGN_PASSWORD_FILE "-" CACHE STRING "its password's file, - for the environment")
set(KORVALESEN_SIGN_TIMESTAMP "-" CACHE STRING "time-stamp server URL, - for none")

find_program(KORVALESEN_MAKENSIS makensis REQUIRED)
set(KORVALESEN_INSTALLER ${PROJECT_BINARY_DIR}/korvalesen-${PROJECT_VERSION}-setup.exe)
set(KORVALESEN_ZIP ${PROJECT_BINARY_DIR}/korvalesen-${PROJECT_VERSION}-windows.zip)
set(files ${PROJECT_BINARY_DIR}/packaging/files)
set(KORVALESEN_EXE ${files}/korvalesen.exe)
set(KORVALESEN_START_EXE ${files}/korvalesen-start.exe)
set(sign_options)
set(sign_command)
if(KORVALESEN_SIGN_CERTIFICATE)
  set(sign_command sh ${PROJECT_SOURCE_DIR}/scripts/sign-windows.sh ${KORVALESEN_SIGN_CERTIFICATE}
    ${KORVALESEN_SIGN_PASSWORD_FILE} ${KORVALESEN_SIGN_TIMESTAMP})
  list(JOIN sign_command " " joined)
  set(sign_options "-DSIGN_COMMAND=${joined}")
endif()
foreach(program korvalesen korvalesen-start)
  set(copy ${files}/${program}.exe)
  set(sign)
  if(sign_command)
    set(sign COMMAND ${sign_command} ${copy})
  endif()
  add_custom_command(
    OUTPUT ${copy}
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:${program}> ${copy}
    ${sign}
    DEPENDS ${program}
    VERBATIM)
endforeach()

configure_file(${CMAKE_CURRENT_LIST_DIR}/korvalesen.nsi.in
               ${PROJECT_BINARY_DIR}/packaging/korvalesen.nsi @ONLY)

add_custom_command(
  OUTPUT ${KORVALESEN_INSTALLER}
  COMMAND ${KORVALESEN_MAKENSIS} -V2 -NOCD ${sign_options}
    ${PROJECT_BINARY_DIR}/packaging/korvalesen.nsi
  DEPENDS ${KORVALESEN_EXE} ${KORVALESEN_START_EXE} ${PROJECT_BINARY_DIR}/packaging/korvalesen.nsi
  COMMENT "Making the installer korvalesen-${PROJECT_VERSION}-setup.exe"
  VERBATIM)
add_custom_command(
  OUTPUT ${KORVALESEN_ZIP}
  COMMAND ${CMAKE_COMMAND} -E tar cf ${KORVALESEN_ZIP} --format=zip -- korvalesen.exe
  WORKING_DIRECTORY ${files}
  DEPENDS ${KORVALESEN_EXE}
  COMMENT "Making korvalesen-${PROJECT_VERSION}-windows.zip"
  VERBATIM)
add_custom_target(korvalesen-packages ALL DEPENDS ${KORVALESEN_INSTALLER} ${KORVALESEN_ZIP})
