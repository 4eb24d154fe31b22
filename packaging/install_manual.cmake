# Installs the manual page, run by `cmake --install` and CPack: the page
# with this installation's version and paths, compressed. Each run writes
# in a folder of its own, so that installations at the same time do not
# meet.
string(RANDOM LENGTH 12 run)
set(work "${PELLIX_MANUAL_WORK}/manual-${run}")
configure_file("${PELLIX_MANUAL_SOURCE}" "${work}/pellix.6" @ONLY)
execute_process(COMMAND gzip -9n "${work}/pellix.6" RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "cannot compress the manual page: gzip ended with ${failed}")
endif()
file(INSTALL "${work}/pellix.6.gz" DESTINATION "${PELLIX_MANUAL_DESTINATION}")
file(REMOVE_RECURSE "${work}")
