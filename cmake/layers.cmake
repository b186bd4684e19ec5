# layers.cmake -- the engine as one static library per folder, each linked to the folder below it in the
# layer table (base, script, scene, resources, objects, music, platform, runtime). A library is linked
# before the ones it builds on, so a call from a folder up to one above it finds no definition and fails
# to link, as an include up the table fails tests/check_layers.py.
set(QUILLMOOR_LAYERS base script scene resources objects music platform runtime)

# quillmoor_add_layers(PREFIX
#     [EXCLUDE regex...]           sources left out (matched against the full path)
#     [PLATFORM_SOURCES file...]   sources added to the platform layer
#     [INCLUDE_FIRST dir...])      include folders searched before the project's (the webgl layer's GL headers)
# makes PREFIX_base ... PREFIX_runtime and PREFIX, an interface library for the whole engine.
function(quillmoor_add_layers prefix)
  cmake_parse_arguments(arg "" "" "EXCLUDE;PLATFORM_SOURCES;INCLUDE_FIRST" ${ARGN})
  set(below "")
  foreach(layer ${QUILLMOOR_LAYERS})
    file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${layer}/*.cpp)
    list(FILTER sources EXCLUDE REGEX "runtime/main\\.cpp$")
    foreach(pattern ${arg_EXCLUDE})
      list(FILTER sources EXCLUDE REGEX "${pattern}")
    endforeach()
    if(layer STREQUAL "platform")
      list(APPEND sources ${arg_PLATFORM_SOURCES})
    endif()
    add_library(${prefix}_${layer} STATIC ${sources})
    if(arg_INCLUDE_FIRST)
      target_include_directories(${prefix}_${layer} BEFORE PUBLIC ${arg_INCLUDE_FIRST})
    endif()
    target_include_directories(${prefix}_${layer} PUBLIC ${PROJECT_SOURCE_DIR})
    if(below)
      target_link_libraries(${prefix}_${layer} PUBLIC ${below})
    endif()
    set(below ${prefix}_${layer})
  endforeach()
  add_library(${prefix} INTERFACE)
  target_link_libraries(${prefix} INTERFACE ${prefix}_runtime)
endfunction()
