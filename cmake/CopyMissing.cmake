# Copies every file of SOURCE into DESTINATION where it is missing, and never
# over a file that is there: the program folder holds what the program and its
# user wrote (settings, recent files, edited samples), which a rebuild keeps.
#   cmake -DSOURCE=<folder> -DDESTINATION=<folder> -P CopyMissing.cmake
if(NOT SOURCE OR NOT DESTINATION)
  message(FATAL_ERROR "CopyMissing.cmake needs SOURCE and DESTINATION")
endif()
file(MAKE_DIRECTORY "${DESTINATION}")
file(GLOB_RECURSE _shipped LIST_DIRECTORIES false RELATIVE "${SOURCE}" "${SOURCE}/*")
set(_copied 0)
foreach(_file IN LISTS _shipped)
  set(_target "${DESTINATION}/${_file}")
  if(NOT EXISTS "${_target}" AND NOT IS_SYMLINK "${_target}")
    get_filename_component(_folder "${_target}" DIRECTORY)
    file(MAKE_DIRECTORY "${_folder}")
    file(COPY_FILE "${SOURCE}/${_file}" "${_target}" ONLY_IF_DIFFERENT)
    math(EXPR _copied "${_copied} + 1")
  endif()
endforeach()
if(_copied GREATER 0)
  message(STATUS "Program folder: ${_copied} shipped file(s) added")
endif()
