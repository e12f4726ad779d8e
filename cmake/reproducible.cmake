# Run by CPack once it has made a package (CPACK_POST_BUILD_SCRIPTS): makes the
# package again from its own contents, so that nothing but the sources decides
# its bytes. CPack takes the order of the files from the folder, which differs
# between file systems, their owner from whoever builds, their times from the
# build, and the .deb's Installed-Size from the size of folders on disk. Here
# names are sorted byte by byte, owner and group are root, modes are 755 or
# 644, every time is SOURCE_DATE_EPOCH (cmake/package.cmake sets it), and the
# size is counted as dpkg-gencontrol counts it: each file in whole KiB, each
# folder as one.
set(epoch $ENV{SOURCE_DATE_EPOCH})
foreach(package ${CPACK_PACKAGE_FILES})
  set(tree ${package}.tree)
  file(REMOVE_RECURSE ${tree})
  file(MAKE_DIRECTORY ${tree})
  if(package MATCHES "[.]deb$")
    execute_process(COMMAND dpkg-deb --raw-extract ${package} ${tree} COMMAND_ERROR_IS_FATAL ANY)
  else()
    execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${package} WORKING_DIRECTORY ${tree}
                    COMMAND_ERROR_IS_FATAL ANY)
  endif()
  execute_process(COMMAND chmod -R u=rwX,go=rX ${tree} COMMAND_ERROR_IS_FATAL ANY)
  execute_process(COMMAND find ${tree} -exec touch -h -d @${epoch} {} + COMMAND_ERROR_IS_FATAL ANY)
  file(GLOB_RECURSE entries RELATIVE ${tree} LIST_DIRECTORIES true ${tree}/*)
  list(SORT entries)
  list(JOIN entries "\n" listing)
  file(WRITE ${tree}.list "${listing}\n")
  file(REMOVE ${package})
  if(package MATCHES "[.]deb$")
    set(size 0)
    foreach(entry ${entries})
      if(entry MATCHES "^DEBIAN")
        continue()
      elseif(IS_DIRECTORY ${tree}/${entry})
        math(EXPR size "${size} + 1")
      else()
        file(SIZE ${tree}/${entry} bytes)
        math(EXPR size "${size} + (${bytes} + 1023) / 1024")
      endif()
    endforeach()
    file(READ ${tree}/DEBIAN/control control)
    string(REGEX REPLACE "\nInstalled-Size: [0-9]+\n" "\nInstalled-Size: ${size}\n" control "${control}")
    file(WRITE ${tree}/DEBIAN/control "${control}")
    execute_process(COMMAND dpkg-deb --root-owner-group -Zxz --build ${tree} ${package}
                    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  elseif(package MATCHES "[.]zip$")
    # zip writes local times: in UTC they are the same everywhere. -X leaves
    # out the owner, -D the folders.
    execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC zip -X -D -9 -q ${package} -@
                    WORKING_DIRECTORY ${tree} INPUT_FILE ${tree}.list COMMAND_ERROR_IS_FATAL ANY)
  else()
    execute_process(COMMAND tar -c --no-recursion --format=gnu --owner=0 --group=0 --numeric-owner
                            --mtime=@${epoch} -C ${tree} -T ${tree}.list
                    COMMAND gzip -9n OUTPUT_FILE ${package} COMMAND_ERROR_IS_FATAL ANY)
  endif()
  file(REMOVE_RECURSE ${tree} ${tree}.list)
endforeach()
