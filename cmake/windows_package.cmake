# windows_package.cmake -- the release zip of the Windows build: `cpack -G ZIP` in build-win (or the
# target quillmoor_zip) makes quillmoor-VERSION-win64.zip with the programs, SDL.dll, the bundled
# demo as the native build generates it, a README for Windows users and the libraries' licences.

# The bundled demo: the native build's target `demo` brings it up to date (its generators are
# Linux programs; the native build runs its own make, not a part of this one's).
set(QUILLMOOR_WINDOWS_DEMO "${QUILLMOOR_NATIVE_BUILD}/demo")
add_custom_target(quillmoor_native_demo ALL
  COMMAND ${CMAKE_COMMAND} -E env --unset=MAKEFLAGS ${CMAKE_COMMAND} --build ${QUILLMOOR_NATIVE_BUILD} --target demo
  COMMENT "Bringing the bundled demo of the native build up to date" VERBATIM)
if(NOT EXISTS "${QUILLMOOR_NATIVE_BUILD}/CMakeCache.txt")
  message(FATAL_ERROR "The zip holds the bundled demo, which the native build generates: build it first "
    "(cmake -S . -B build && cmake --build build -j2), or give -DQUILLMOOR_NATIVE_BUILD=DIR")
endif()

# Windows' Notepad of old shows a file with "\n" line ends as one line.
set(QUILLMOOR_VERSION ${PROJECT_VERSION})
configure_file(${PROJECT_SOURCE_DIR}/tools/windows/README.txt ${PROJECT_BINARY_DIR}/README.txt
  @ONLY NEWLINE_STYLE CRLF)

install(TARGETS quillmoor quillmoor-check RUNTIME DESTINATION .)
install(FILES ${QUILLMOOR_SDL_DLL} ${PROJECT_BINARY_DIR}/README.txt DESTINATION .)
install(DIRECTORY ${QUILLMOOR_WINDOWS_DEMO}/data DESTINATION . PATTERN "*.part" EXCLUDE)
install(DIRECTORY ${PROJECT_BINARY_DIR}/licences DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME quillmoor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_SYSTEM_NAME win64)
set(CPACK_PACKAGE_FILE_NAME quillmoor-${PROJECT_VERSION}-win64)
# One folder in the zip, quillmoor-VERSION-win64, holding the programs beside data\.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
include(CPack)

# The zip as a target of the build (the tests unpack it).
add_custom_target(quillmoor_zip
  COMMAND ${CMAKE_CPACK_COMMAND} -G ZIP --config ${PROJECT_BINARY_DIR}/CPackConfig.cmake
  WORKING_DIRECTORY ${PROJECT_BINARY_DIR}
  DEPENDS quillmoor quillmoor-check quillmoor_sdl_dll quillmoor_native_demo
  COMMENT "Packing quillmoor-${PROJECT_VERSION}-win64.zip" VERBATIM)
