# Fails when a file that a run of the program writes beside its cartridge
# lies among the carried cartridges: a battery save (NAME.sav), the old save
# kept as NAME.sav.bak, a write left half done (*.tmp) or a state slot
# (NAME.st1 to NAME.st9). The next run of that cartridge would load it.
#
#   cmake -DFOLDER=tests/cartridges -P tests/check_carried_cartridges.cmake
if(NOT IS_DIRECTORY "${FOLDER}")
  message(FATAL_ERROR "${FOLDER}: no such folder")
endif()
file(GLOB_RECURSE left RELATIVE "${FOLDER}"
  "${FOLDER}/*.sav" "${FOLDER}/*.bak" "${FOLDER}/*.tmp" "${FOLDER}/*.st[1-9]")
if(left)
  list(SORT left)
  string(REPLACE ";" "\n  " names "${left}")
  message(FATAL_ERROR "Files written beside the carried cartridges in ${FOLDER}:\n  ${names}\n"
    "A test ran a cartridge where it lies; it must run a copy in its own folder "
    "(CopyCartridgeInto in tests/support/run.h). Remove the files: other runs of "
    "the cartridge load them.")
endif()
