# Run by the build for each script of squeezle_compress(), as
#   cmake -DSQUEEZLE=program -DSCRIPT=file -DOUTPUT=file -DREMOVE_COMMENTS=bool -P squeezle-compress.cmake
# Compresses SCRIPT into OUTPUT and shows only what squeezle warns of. When
# squeezle fails, the build fails with its message, and OUTPUT, which is then
# older than SCRIPT, is removed, so that no build takes it.
get_filename_component(folder "${OUTPUT}" DIRECTORY)
file(MAKE_DIRECTORY "${folder}")
set(options /O)
if(REMOVE_COMMENTS)
  list(APPEND options /K)
endif()
execute_process(COMMAND "${SQUEEZLE}" ${options} "${SCRIPT}" "${OUTPUT}"
                RESULT_VARIABLE status OUTPUT_VARIABLE console)
# Indented, the lines keep their spacing in CMake's message.
string(REGEX MATCHALL "(Warning|SQUEEZLE failed):[^\r\n]*" said "${console}")
list(JOIN said "\n  " said)
if(NOT status EQUAL 0)
  file(REMOVE "${OUTPUT}")
  message(FATAL_ERROR "${SCRIPT} (squeezle ended with ${status}):\n  ${said}")
elseif(said)
  message("${SCRIPT}:\n  ${said}")
endif()
