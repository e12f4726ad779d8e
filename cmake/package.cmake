# Read by CPack before it makes each package. The .deb carries the licence
# once, in its copyright file, as a distribution wants it: it installs every
# component but the one that holds LICENSE beside that file.
if(CPACK_GENERATOR STREQUAL "DEB")
  string(REPLACE ";ALL;" ";Unspecified;" CPACK_INSTALL_CMAKE_PROJECTS "${CPACK_INSTALL_CMAKE_PROJECTS}")
endif()
