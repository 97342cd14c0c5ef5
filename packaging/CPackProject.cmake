# Read by cpack for each generator: the Debian package holds the system layout under
# /usr, the archives (TGZ here, ZIP for a Windows build) the portable folder.
if(CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_COMPONENTS_ALL system)
else()
  set(CPACK_COMPONENTS_ALL portable)
  set(CPACK_PACKAGE_FILE_NAME "${CPACK_PACKAGE_NAME}-${CPACK_PACKAGE_VERSION}-portable")
  set(CPACK_PACKAGING_INSTALL_PREFIX "")
  # Unpacks into one folder named after the package.
  set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
endif()
