# release_files.cmake -- the web page and the Windows programs, copied from their own builds into the native build's
# share/quillmoor, where quillmoor-pack finds them and from where they are installed. A build that is not there
# leaves nothing behind: a package made without it says so.
#   cmake -DWEB=BUILD_WEB -DWINDOWS=BUILD_WIN -DOUT=SHARE_DIR -P release_files.cmake
function(mirror from to)
  cmake_parse_arguments(arg "" "" "FILES" ${ARGN})
  file(REMOVE_RECURSE "${to}")
  foreach(name ${arg_FILES})
    if(NOT EXISTS "${from}/${name}")
      return()  # not built (or not finished): nothing of it is taken
    endif()
  endforeach()
  file(MAKE_DIRECTORY "${to}")
  foreach(name ${arg_FILES})
    file(COPY_FILE "${from}/${name}" "${to}/${name}" ONLY_IF_DIFFERENT)
  endforeach()
  if(EXISTS "${from}/licences")
    file(COPY "${from}/licences" DESTINATION "${to}")
  endif()
endfunction()

mirror("${WEB}" "${OUT}/web" FILES quillmoor.html quillmoor.js quillmoor.wasm)
mirror("${WINDOWS}" "${OUT}/windows" FILES quillmoor.exe quillmoor-check.exe SDL.dll)
