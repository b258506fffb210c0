# The program folder keeps what was written in it: runs the build's copy step
# into a fresh folder, edits carotix.ini and the sample collection there and
# deletes a shipped file, runs the step again (a rebuild, or the second run of
# the run command), and checks that both edits survive and only the deleted
# file came back.
#   cmake -DCOPY_SCRIPT=... -DDATA=... -DWORK=... -P copy_missing_test.cmake
file(REMOVE_RECURSE "${WORK}")
set(_step ${CMAKE_COMMAND} -DSOURCE=${DATA} -DDESTINATION=${WORK} -P ${COPY_SCRIPT})
execute_process(COMMAND ${_step} RESULT_VARIABLE _rc)
if(NOT _rc EQUAL 0)
  message(FATAL_ERROR "the copy step failed: ${_rc}")
endif()
foreach(_shipped carotix.ini Exemples/exemple.crx edition.ini)
  if(NOT EXISTS "${WORK}/${_shipped}")
    message(FATAL_ERROR "${_shipped} was not copied")
  endif()
endforeach()

file(APPEND "${WORK}/carotix.ini" "\r\n[Récent]\r\nFichier0=/home/geologue/etude.crx\r\n")
file(WRITE "${WORK}/Exemples/exemple.crx" "edited by the user")
file(READ "${WORK}/carotix.ini" _ini_edited HEX)
file(REMOVE "${WORK}/edition.ini")

foreach(_run 1 2)
  execute_process(COMMAND ${_step} RESULT_VARIABLE _rc)
  if(NOT _rc EQUAL 0)
    message(FATAL_ERROR "the copy step failed again: ${_rc}")
  endif()
endforeach()

file(READ "${WORK}/carotix.ini" _ini_after HEX)
if(NOT _ini_after STREQUAL _ini_edited)
  message(FATAL_ERROR "the edited carotix.ini was overwritten")
endif()
file(READ "${WORK}/Exemples/exemple.crx" _sample)
if(NOT _sample STREQUAL "edited by the user")
  message(FATAL_ERROR "the edited sample collection was overwritten")
endif()
file(READ "${DATA}/edition.ini" _shipped_edition HEX)
file(READ "${WORK}/edition.ini" _copied_edition HEX)
if(NOT _shipped_edition STREQUAL _copied_edition)
  message(FATAL_ERROR "the missing edition.ini was not copied again")
endif()
file(REMOVE_RECURSE "${WORK}")
