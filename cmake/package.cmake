# Read by CPack before it makes each package. The .deb carries the licence
# once, in its copyright file, as a distribution wants it, and the programs
# linked as Debian links them; the .tar.gz carries the licence's own text and
# the programs linked statically. Each installs those components of the build.
list(GET CPACK_INSTALL_CMAKE_PROJECTS 0 build)
if(CPACK_GENERATOR STREQUAL "DEB")
  set(components Unspecified programs)
elseif(CPACK_GENERATOR STREQUAL "TGZ")
  set(components Unspecified licence static)
endif()
if(DEFINED components)
  set(CPACK_INSTALL_CMAKE_PROJECTS "")
  foreach(component ${components})
    list(APPEND CPACK_INSTALL_CMAKE_PROJECTS ${build} squeezle ${component} /)
  endforeach()
endif()
