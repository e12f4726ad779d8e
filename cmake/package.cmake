# Read by CPack before it makes each package. The .deb carries the licence
# once, in its copyright file, as a distribution wants it, and the programs
# linked as Debian links them; the .tar.gz carries the licence's own text and
# the programs linked statically where the build could link them so. Each
# installs those components of the build.
list(GET CPACK_INSTALL_CMAKE_PROJECTS 0 build)
if(CPACK_GENERATOR STREQUAL "DEB")
  set(components Unspecified programs)
elseif(CPACK_GENERATOR STREQUAL "TGZ")
  set(components Unspecified licence ${CPACK_SQUEEZLE_TARBALL_PROGRAMS})
endif()
if(DEFINED components)
  set(CPACK_INSTALL_CMAKE_PROJECTS "")
  foreach(component ${components})
    list(APPEND CPACK_INSTALL_CMAKE_PROJECTS ${build} squeezle ${component} /)
  endforeach()
endif()

# Every time in a package is the commit's, unless SOURCE_DATE_EPOCH names
# another; cmake/reproducible.cmake makes the rest of each package the same
# from every build.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  execute_process(COMMAND git -C ${CPACK_SQUEEZLE_SOURCE_DIR} log -1 --format=%ct
                  OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(NOT epoch)
    string(TIMESTAMP epoch %s)
    message(WARNING "no commit to date the packages by: they carry the time of this build")
  endif()
  set(ENV{SOURCE_DATE_EPOCH} ${epoch})
endif()
