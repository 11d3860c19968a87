# What `cmake --install` puts where: the program, its menu entry and launcher, its icon and the
# adapter's udev rule (component korvalesen); the simulator-driven variant, where it is built
# (component sim). The Debian package of the component korvalesen follows at the end.
include(GNUInstallDirs)

# udev reads /usr/lib/udev/rules.d and /usr/local/lib/udev/rules.d; other prefixes need this.
set(KORVALESEN_UDEV_RULES_DIR "lib/udev/rules.d" CACHE STRING
    "Folder of the udev rules, relative to the install prefix")

# The icon theme's PNG, painted at build time by the code that paints the window's icon, so
# the menu shows the same picture and no binary copy has to be kept in step with it.
add_executable(korvalesen-icon packaging/icon_file.cpp)
target_link_libraries(korvalesen-icon PRIVATE korvalesen_app)
set(korvalesen_icon_png ${PROJECT_BINARY_DIR}/packaging/korvalesen.png)
add_custom_command(
  OUTPUT ${korvalesen_icon_png}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/packaging
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
          $<TARGET_FILE:korvalesen-icon> ${korvalesen_icon_png}
  DEPENDS korvalesen-icon
  COMMENT "Painting the icon korvalesen.png"
  VERBATIM)
add_custom_target(korvalesen-icon-png ALL DEPENDS ${korvalesen_icon_png})

install(TARGETS korvalesen RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT korvalesen)
install(PROGRAMS packaging/korvalesen-start DESTINATION ${CMAKE_INSTALL_BINDIR}
        COMPONENT korvalesen)
install(FILES packaging/korvalesen.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
        COMPONENT korvalesen)
install(FILES ${korvalesen_icon_png}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/96x96/apps COMPONENT korvalesen)
install(FILES packaging/60-korvalesen.rules DESTINATION ${KORVALESEN_UDEV_RULES_DIR}
        COMPONENT korvalesen)

if(TARGET korvalesen-sim)
  install(TARGETS korvalesen-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT sim)
endif()

include(packaging/deb/package.cmake)
