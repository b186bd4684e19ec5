# install.cmake -- what `cmake --install` puts where, and the Debian package `cpack -G DEB` makes of it:
# the programs, their manual pages, the README with its pictures and the bundled demo as the build
# assembles it. Generators, test programs and libraries stay in the build folder.
include(GNUInstallDirs)

set(QUILLMOOR_PROGRAMS quillmoor quillmoor-capture quillmoor-check)
foreach(tool quillmoor-live quillmoor-pack)
  if(TARGET ${tool})
    list(APPEND QUILLMOOR_PROGRAMS ${tool})
  endif()
endforeach()
install(TARGETS ${QUILLMOOR_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The manual pages, compressed as Debian keeps them (-n: no name or time stamp, the same bytes
# on every build).
find_program(QUILLMOOR_GZIP gzip REQUIRED)
set(packed_pages)
foreach(program ${QUILLMOOR_PROGRAMS})
  set(page ${PROJECT_SOURCE_DIR}/docs/man/${program}.1)
  set(copy ${PROJECT_BINARY_DIR}/man/${program}.1)
  add_custom_command(OUTPUT ${copy}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${page} ${copy}
    COMMAND ${QUILLMOOR_GZIP} -9 -n -f ${copy}
    DEPENDS ${page}
    COMMENT "Compressing the manual page ${program}.1" VERBATIM)
  list(APPEND packed_pages ${copy}.gz)
endforeach()
add_custom_target(man_pages ALL DEPENDS ${packed_pages})
install(FILES ${packed_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The README and the pictures it shows, at the same relative place.
set(QUILLMOOR_SHARE_DIR ${CMAKE_INSTALL_DATADIR}/quillmoor)
file(GLOB readme_pictures CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/*.png)
install(FILES README.md DESTINATION ${QUILLMOOR_SHARE_DIR})
install(FILES ${readme_pictures} DESTINATION ${QUILLMOOR_SHARE_DIR}/docs)

# The bundled demo: its data folder as the target `demo` assembles it (scripts copied, pictures,
# curves, model and song generated), and the author's notes. Whatever else is in build/demo
# (captures, videos, tmpscene.qms) is left out.
install(DIRECTORY ${PROJECT_BINARY_DIR}/demo/data DESTINATION ${QUILLMOOR_SHARE_DIR}/demo
  PATTERN "*.part" EXCLUDE)
install(FILES demo/README.md DESTINATION ${QUILLMOOR_SHARE_DIR}/demo)

# The release files quillmoor-pack publishes with: the web page from the web build and the Windows
# programs from the Windows build, each where its build exists, staged in share/quillmoor of this build
# (where the tool in tools/ finds them too) by cmake/release_files.cmake at every build.
set(QUILLMOOR_WEB_BUILD "${PROJECT_SOURCE_DIR}/build-web" CACHE PATH "The web build whose page is installed")
set(QUILLMOOR_WINDOWS_BUILD "${PROJECT_SOURCE_DIR}/build-win" CACHE PATH
  "The Windows build whose programs are installed")
add_custom_target(release_files ALL
  COMMAND ${CMAKE_COMMAND} -DWEB=${QUILLMOOR_WEB_BUILD} -DWINDOWS=${QUILLMOOR_WINDOWS_BUILD}
    -DOUT=${PROJECT_BINARY_DIR}/${QUILLMOOR_SHARE_DIR} -P ${PROJECT_SOURCE_DIR}/cmake/release_files.cmake
  COMMENT "Taking the web page and the Windows programs where they are built" VERBATIM)
install(DIRECTORY ${PROJECT_BINARY_DIR}/${QUILLMOOR_SHARE_DIR}/web ${PROJECT_BINARY_DIR}/${QUILLMOOR_SHARE_DIR}/windows
  DESTINATION ${QUILLMOOR_SHARE_DIR} OPTIONAL)

# The package's copyright (machine-readable) and changelog, where Debian keeps them.
set(QUILLMOOR_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/quillmoor)
configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/changelog ${PROJECT_BINARY_DIR}/debian/changelog @ONLY)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/debian/changelog.gz
  COMMAND ${QUILLMOOR_GZIP} -9 -n -k -f ${PROJECT_BINARY_DIR}/debian/changelog
  DEPENDS ${PROJECT_BINARY_DIR}/debian/changelog
  COMMENT "Compressing the package's changelog" VERBATIM)
add_custom_target(debian_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/debian/changelog.gz)
install(FILES ${PROJECT_SOURCE_DIR}/cmake/debian/copyright ${PROJECT_BINARY_DIR}/debian/changelog.gz
  DESTINATION ${QUILLMOOR_DOC_DIR})

# The Debian package: quillmoor_<version>_amd64.deb, its dependencies read from the binaries by
# dpkg-shlibdeps (from dpkg-dev).
set(QUILLMOOR_MAINTAINER "Quillmoor maintainers <maintainers@quillmoor.invalid>" CACHE STRING
  "The Debian package's maintainer, as \"Name <address>\"")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillmoor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${QUILLMOOR_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time demo player driven by tracker-module music")
set(description
  "Quillmoor plays a playlist of animated 3D scenes with OpenGL in step with a"
  "tracker module (XM, IT, S3M): the song's Zxx pattern effects change the scene,"
  "flash the screen and run the scenes' sync events. Scenes, materials and the"
  "playlist are plain-text scripts."
  ""
  "quillmoor-capture renders a demo offscreen to PNG frames, WAV or video, and"
  "quillmoor-check reports what the player would ignore in a demo's scripts.")
if(TARGET quillmoor-live)
  list(APPEND description "quillmoor-live plays a demo while it is written and starts new ones.")
endif()
if(TARGET quillmoor-pack)
  list(APPEND description "quillmoor-pack publishes a demo as a web page and a Windows zip.")
endif()
list(APPEND description "A bundled demo is in /usr/share/quillmoor/demo.")
list(JOIN description "\n" CPACK_PACKAGE_DESCRIPTION)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${QUILLMOOR_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# SDL opens libGL.so.1 only when the player opens its window, so dpkg-shlibdeps does not see it;
# libgl1 also brings Mesa's GLX and DRI drivers, which the EGL of the offscreen tools draws with.
set(CPACK_DEBIAN_PACKAGE_DEPENDS libgl1)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS ffmpeg)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
