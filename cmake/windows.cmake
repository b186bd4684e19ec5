# windows.cmake -- the Windows build (preset "windows": MinGW-w64 on Debian): quillmoor.exe and
# quillmoor-check.exe with SDL.dll beside them, the tests under Wine and the release zip.
#
# The libraries are built from Debian's source packages by tools/windows/build_windows_deps.sh,
# once, into QUILLMOOR_WINDOWS_DEPS. zlib, libpng and libopenmpt are linked in; SDL 1.2 (LGPL)
# stays a DLL that a user can replace. The C and C++ runtimes and winpthreads are linked in too,
# so that the programs import no DLL but SDL.dll and Windows' own.

set(QUILLMOOR_WINDOWS_DEPS "${PROJECT_BINARY_DIR}/deps" CACHE PATH "Where the Windows libraries are built and kept")
# The bundled demo as the native build generates it (its generators are Linux programs).
set(QUILLMOOR_NATIVE_BUILD "${PROJECT_SOURCE_DIR}/build" CACHE PATH
  "The native build: it makes the bundled demo, and the tests compare with its programs")

# --- The libraries (several minutes the first time, nothing after).
set(deps_prefix ${QUILLMOOR_WINDOWS_DEPS}/prefix)
set(QUILLMOOR_SDL_DLL ${deps_prefix}/bin/SDL.dll)
set(QUILLMOOR_SDL_MAIN ${deps_prefix}/lib/libSDLmain.a)
set(deps_libraries ${deps_prefix}/lib/libopenmpt.a ${deps_prefix}/lib/libpng16.a ${deps_prefix}/lib/libz.a
  ${deps_prefix}/lib/libSDL.dll.a)
add_custom_command(OUTPUT ${deps_libraries} ${QUILLMOOR_SDL_MAIN} ${QUILLMOOR_SDL_DLL}
  COMMAND ${CMAKE_COMMAND} -E env --unset=MAKEFLAGS sh ${PROJECT_SOURCE_DIR}/tools/windows/build_windows_deps.sh
    ${QUILLMOOR_WINDOWS_DEPS}
  DEPENDS ${PROJECT_SOURCE_DIR}/tools/windows/build_windows_deps.sh ${PROJECT_SOURCE_DIR}/tools/debian_sources.sh
  COMMENT "Building zlib, libpng, SDL 1.2 and libopenmpt for Windows from Debian's sources" VERBATIM)
add_custom_target(quillmoor_windows_deps DEPENDS ${deps_libraries} ${QUILLMOOR_SDL_MAIN} ${QUILLMOOR_SDL_DLL})

# --- The engine, one library per folder as on Linux. The GL driver pinning, the EGL offscreen
# context and SDL's video set-up are Linux's; platform/windows has what stands in for them.
quillmoor_add_layers(quillmoor_core EXCLUDE "platform/(offscreen_gl|egl_pbuffer|gl_driver|sdl_system)\\.cpp$"
  PLATFORM_SOURCES ${PROJECT_SOURCE_DIR}/platform/windows/gl_driver.cpp
    ${PROJECT_SOURCE_DIR}/platform/windows/offscreen_gl.cpp ${PROJECT_SOURCE_DIR}/platform/windows/sdl_system.cpp)
target_include_directories(quillmoor_core_base PUBLIC ${deps_prefix}/include)
target_link_libraries(quillmoor_core_base PUBLIC opengl32)
target_link_libraries(quillmoor_core_resources PUBLIC ${deps_prefix}/lib/libpng16.a ${deps_prefix}/lib/libz.a glu32)
# libopenmpt needs COM and RPC (its UUIDs); SDL's import library for the sound and the window.
target_link_libraries(quillmoor_core_music PUBLIC ${deps_prefix}/lib/libopenmpt.a ole32 rpcrt4
  ${deps_prefix}/lib/libSDL.dll.a)
foreach(layer ${QUILLMOOR_LAYERS})
  add_dependencies(quillmoor_core_${layer} quillmoor_windows_deps)
endforeach()

# Console programs (no -mwindows: the trace goes to standard output), with the compilers'
# runtimes inside. SDL's header renames a program's main to SDL_main, which SDL's own
# static main library calls (configured not to redirect standard output and error).
set(QUILLMOOR_WINDOWS_STARTUP ${PROJECT_SOURCE_DIR}/platform/windows/standard_streams.cpp)
function(quillmoor_windows_program target)
  target_sources(${target} PRIVATE ${QUILLMOOR_WINDOWS_STARTUP})
  target_link_libraries(${target} PRIVATE mingw32 ${QUILLMOOR_SDL_MAIN})
  target_link_options(${target} PRIVATE -static -mconsole)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
endfunction()

add_executable(quillmoor runtime/main.cpp)
target_link_libraries(quillmoor PRIVATE quillmoor_core)
quillmoor_windows_program(quillmoor)

add_library(quillmoor_check STATIC
  tools/check/checker.cpp tools/check/diagnostics.cpp tools/check/keyword_match.cpp
  tools/check/script_check.cpp tools/check/sync_check.cpp)
target_include_directories(quillmoor_check PUBLIC ${PROJECT_SOURCE_DIR}/tools)
target_link_libraries(quillmoor_check PUBLIC quillmoor_core)
add_executable(quillmoor-check tools/check/main.cpp)
target_link_libraries(quillmoor-check PRIVATE quillmoor_check)
quillmoor_windows_program(quillmoor-check)

# SDL.dll beside the programs, where Windows looks for it first.
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/SDL.dll
  COMMAND ${CMAKE_COMMAND} -E copy ${QUILLMOOR_SDL_DLL} ${PROJECT_BINARY_DIR}/SDL.dll
  DEPENDS ${QUILLMOOR_SDL_DLL} quillmoor_windows_deps
  COMMENT "Copying SDL.dll beside the programs" VERBATIM)
add_custom_target(quillmoor_sdl_dll ALL DEPENDS ${PROJECT_BINARY_DIR}/SDL.dll)

# The licence texts of what the programs are made of, in build-win/licences (where the zip and the
# native build's release files take them from): ours, SDL, libopenmpt, libpng and zlib as the libraries'
# script keeps them, and MinGW-w64's runtime (winpthreads), which is linked in.
add_custom_target(quillmoor_windows_licences ALL
  COMMAND ${CMAKE_COMMAND} -DSOURCE=${PROJECT_SOURCE_DIR} -DOUT=${PROJECT_BINARY_DIR}/licences
    -DFOLDERS=${deps_prefix}/licenses/sdl=sdl,${deps_prefix}/licenses/libopenmpt=libopenmpt,${deps_prefix}/licenses/libpng=libpng,${deps_prefix}/licenses/zlib=zlib
    -DEXTRA=/usr/share/doc/mingw-w64-x86-64-dev/copyright=mingw-w64/debian-copyright
    -P ${PROJECT_SOURCE_DIR}/cmake/licences.cmake
  DEPENDS quillmoor_windows_deps ${PROJECT_SOURCE_DIR}/cmake/licences.cmake ${PROJECT_SOURCE_DIR}/LICENSE
  COMMENT "Collecting the licence texts of the Windows programs" VERBATIM)

if(QUILLMOOR_TESTS)
  enable_testing()
  add_subdirectory(tests/windows)
endif()

include(${CMAKE_CURRENT_LIST_DIR}/windows_package.cmake)
