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
    file(COPY_FILE "${from}/${name}" "${to}/${name}")
  endforeach()
  if(EXISTS "${from}/licences")
    file(COPY "${from}/licences" DESTINATION "${to}")
  endif()
endfunction()

mirror("${WEB}" "${OUT}/web" FILES quillmoor.html quillmoor.js quillmoor.wasm)
mirror("${WINDOWS}" "${OUT}/windows" FILES quillmoor.exe quillmoor-check.exe SDL.dll README.txt)

# The Windows programs as they are released: without their debugging symbols (half their size).
find_program(strip x86_64-w64-mingw32-strip)
if(strip AND EXISTS "${OUT}/windows")
  foreach(name quillmoor.exe quillmoor-check.exe SDL.dll)
    execute_process(COMMAND ${strip} "${OUT}/windows/${name}" RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "cannot strip ${OUT}/windows/${name}")
    endif()
  endforeach()
endif()
