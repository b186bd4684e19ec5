# licences.cmake -- the licence texts of what a build puts into its programs, one folder per part: the project's
# own (LICENSE), and for each library built in, its upstream licence file and its Debian source package's
# copyright file.
#   cmake -DSOURCE=PROJECT_DIR -DOUT=FOLDER [-DDEPS=SRC_DIR -DPACKAGES=pkg=name,...]
#         [-DFOLDERS=dir=name,...] [-DEXTRA=file=name/as,...] -P licences.cmake
# PACKAGES: SRC_DIR holds one folder per Debian source package with its unpacked source folder inside (as the
# libraries' build scripts fetch them). FOLDERS: folders of licence texts taken whole. EXTRA: single files.
if(NOT SOURCE OR NOT OUT)
  message(FATAL_ERROR "usage: cmake -DSOURCE=DIR -DOUT=DIR [-DDEPS=DIR -DPACKAGES=...] ... -P licences.cmake")
endif()
foreach(list PACKAGES FOLDERS EXTRA)
  string(REPLACE "," ";" ${list} "${${list}}")
endforeach()

file(REMOVE_RECURSE "${OUT}")
file(MAKE_DIRECTORY "${OUT}/quillmoor")
file(COPY_FILE "${SOURCE}/LICENSE" "${OUT}/quillmoor/LICENSE")

foreach(pair ${PACKAGES})
  string(REPLACE "=" ";" pair "${pair}")
  list(GET pair 0 package)
  list(GET pair 1 name)
  file(GLOB copyright "${DEPS}/${package}/*/debian/copyright")
  if(NOT copyright)
    message(FATAL_ERROR "no debian/copyright of ${package} below ${DEPS}/${package}")
  endif()
  list(GET copyright 0 copyright)
  get_filename_component(tree "${copyright}" DIRECTORY)
  get_filename_component(tree "${tree}" DIRECTORY)
  file(MAKE_DIRECTORY "${OUT}/${name}")
  file(COPY_FILE "${copyright}" "${OUT}/${name}/debian-copyright")
  foreach(upstream LICENSE COPYING LICENSE.txt)
    if(EXISTS "${tree}/${upstream}")
      file(COPY_FILE "${tree}/${upstream}" "${OUT}/${name}/${upstream}")
    endif()
  endforeach()
endforeach()

foreach(pair ${FOLDERS})
  string(REPLACE "=" ";" pair "${pair}")
  list(GET pair 0 folder)
  list(GET pair 1 name)
  file(GLOB texts "${folder}/*")
  list(FILTER texts EXCLUDE REGEX "/done$")  # a build script's own mark
  file(MAKE_DIRECTORY "${OUT}/${name}")
  file(COPY ${texts} DESTINATION "${OUT}/${name}")
endforeach()

foreach(pair ${EXTRA})
  string(REPLACE "=" ";" pair "${pair}")
  list(GET pair 0 file)
  list(GET pair 1 as)
  get_filename_component(folder "${OUT}/${as}" DIRECTORY)
  file(MAKE_DIRECTORY "${folder}")
  file(COPY_FILE "${file}" "${OUT}/${as}")
endforeach()
