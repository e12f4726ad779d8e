# Run by the build for each script of squeezle_compress(), as
#   cmake -DSQUEEZLE=program -DSCRIPT=file -DOUTPUT=file -DREMOVE_COMMENTS=bool -DSTRICT=bool -P squeezle-compress.cmake
# Compresses SCRIPT into OUTPUT. Under /B squeezle itself writes the build's
# log: a line for each warning and each failure, which names the script, on
# standard error. When it fails, the build fails, and OUTPUT, which is then
# older than SCRIPT, is removed, so that no build takes it.
get_filename_component(folder "${OUTPUT}" DIRECTORY)
file(MAKE_DIRECTORY "${folder}")
set(options /B /O)
if(REMOVE_COMMENTS)
  list(APPEND options /K)
endif()
if(STRICT)
  list(APPEND options /W)
endif()
execute_process(COMMAND "${SQUEEZLE}" ${options} "${SCRIPT}" "${OUTPUT}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  file(REMOVE "${OUTPUT}")
  message(FATAL_ERROR "squeezle ended with ${status}")
endif()
