# The Debian package korvalesen (`cpack -G DEB` in the build folder): the component korvalesen
# installed under /usr, its library dependencies computed by dpkg-shlibdeps, and maintainer
# scripts that let a running udev apply the adapter's rule at once. The simulator-driven
# variant stays out: a service laptop needs only the product.
set(script_permissions OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ
                       WORLD_EXECUTE)
set(ACTION configure)
configure_file(${CMAKE_CURRENT_LIST_DIR}/udev-reload.in ${PROJECT_BINARY_DIR}/packaging/deb/postinst
               @ONLY FILE_PERMISSIONS ${script_permissions})
set(ACTION remove)
configure_file(${CMAKE_CURRENT_LIST_DIR}/udev-reload.in ${PROJECT_BINARY_DIR}/packaging/deb/postrm
               @ONLY FILE_PERMISSIONS ${script_permissions})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvalesen)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Korvalesen <korvalesen@korvalesen.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "reads the LCD board of a tube amplifier and uploads its data")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Korvalesen finds the board's USB serial adapter (FTDI 0403:6001), resets the board,\n\
reads its configuration, fault log, serial number and firmware version, writes them\n\
into three files and uploads them by FTP. Its udev rule gives the adapter to the\n\
dialout group and to the user at the seat and keeps ModemManager away from it.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES TRUE)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL korvalesen)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_DEBIAN_PACKAGE_NAME korvalesen)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)

# Qt 6 Widgets and ALSA come from the libraries the program links; the window's Arial needs
# a font with its metrics, and the udev rule a udev to read it.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation | fonts-liberation2")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "udev")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/packaging/deb/postinst
                                       ${PROJECT_BINARY_DIR}/packaging/deb/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)

include(CPack)
