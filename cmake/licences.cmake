# licences.cmake -- the licence texts of what a build puts into its programs, into one folder: the project's own
# (LICENSE) and the copyright file of each Debian source package built into them.
#   cmake -DSOURCE=PROJECT_DIR -DDEPS=DEPS_SRC_DIR -DOUT=FOLDER -DPACKAGES=pkg=name,... [-DEXTRA=file=name,...]
#       -P licences.cmake
# DEPS_SRC_DIR holds one folder per source package (as build_wasm_deps.sh and build_win_deps.sh fetch them), each
# with its unpacked source folder inside; each package's debian/copyright becomes OUT/<name>.txt.
if(NOT SOURCE OR NOT OUT)
  message(FATAL_ERROR "usage: cmake -DSOURCE=DIR -DDEPS=DIR -DOUT=DIR -DPACKAGES=... -P licences.cmake")
endif()
string(REPLACE "," ";" PACKAGES "${PACKAGES}")
string(REPLACE "," ";" EXTRA "${EXTRA}")
file(REMOVE_RECURSE "${OUT}")
file(MAKE_DIRECTORY "${OUT}")
file(COPY_FILE "${SOURCE}/LICENSE" "${OUT}/quillmoor.txt")
foreach(pair ${PACKAGES})
  string(REPLACE "=" ";" pair "${pair}")
  list(GET pair 0 package)
  list(GET pair 1 name)
  file(GLOB copyright "${DEPS}/${package}/*/debian/copyright")
  if(NOT copyright)
    message(FATAL_ERROR "no debian/copyright of ${package} below ${DEPS}/${package}")
  endif()
  list(GET copyright 0 copyright)
  file(COPY_FILE "${copyright}" "${OUT}/${name}.txt")
endforeach()
foreach(pair ${EXTRA})
  string(REPLACE "=" ";" pair "${pair}")
  list(GET pair 0 file)
  list(GET pair 1 name)
  file(COPY_FILE "${file}" "${OUT}/${name}.txt")
endforeach()
