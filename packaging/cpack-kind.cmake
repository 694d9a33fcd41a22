# Read by cpack once per package kind (see cpack.cmake).
# The install rules run in this process and read VORTEXEL_RELOCATABLE_ARCHIVE
# (install.cmake: the menu entry names no absolute folder in an archive).
if(CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  unset(ENV{VORTEXEL_RELOCATABLE_ARCHIVE})
else()
  set(CPACK_PACKAGE_FILE_NAME "${CPACK_VORTEXEL_ARCHIVE_NAME}")
  set(ENV{VORTEXEL_RELOCATABLE_ARCHIVE} 1)
endif()
