# Sources are picked up by folder so that each part of the program can grow
# without touching the build files of the others.
function(carotix_glob out dir)
  file(GLOB _files CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h ${dir}/*.qrc)
  set(${out} ${_files} PARENT_SCOPE)
endfunction()

# A static library made of the given sources; a folder that holds no source yet
# still gives a (empty) library so that the targets above it link.
function(carotix_library name)
  set(_sources ${ARGN})
  list(FILTER _sources INCLUDE REGEX "\\.cpp$")
  if(NOT _sources)
    set(_empty ${CMAKE_CURRENT_BINARY_DIR}/${name}_empty.cpp)
    if(NOT EXISTS ${_empty})
      file(WRITE ${_empty} "// no sources yet\n")
    endif()
    list(APPEND ARGN ${_empty})
  endif()
  add_library(${name} STATIC ${ARGN})
endfunction()
