# Read by cpack once per package kind (see cpack.cmake).
if(CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
else()
  set(CPACK_PACKAGE_FILE_NAME "${CPACK_VORTEXEL_ARCHIVE_NAME}")
endif()
