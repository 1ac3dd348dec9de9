# Helpers shared by the program folders.

# A resource-only language library: no code, no C runtime, no entry point.
function(horalink_language_library target rcfile)
  add_library(${target} SHARED ${rcfile})
  set_target_properties(${target} PROPERTIES
    PREFIX ""
    LINKER_LANGUAGE C
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  target_link_options(${target} PRIVATE -nostdlib -Wl,-e,0 -Wl,--no-insert-timestamp)
  target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${ARGN})
  # windres reports no dependencies: the subject files, the resource header and the
  # pictures the script includes are named here so that a change rebuilds it.
  get_filename_component(rcdir ${CMAKE_CURRENT_SOURCE_DIR}/${rcfile} DIRECTORY)
  get_filename_component(language ${rcfile} NAME_WE)
  file(GLOB_RECURSE parts CONFIGURE_DEPENDS ${rcdir}/${language}/* ${rcdir}/*.h ${rcdir}/images/*)
  set_source_files_properties(${rcfile} PROPERTIES OBJECT_DEPENDS "${parts}")
endfunction()

# The C++ sources of a folder, except those named in ARGN.
function(horalink_sources out dir)
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  foreach(skip ${ARGN})
    list(REMOVE_ITEM sources ${dir}/${skip})
  endforeach()
  set(${out} ${sources} PARENT_SCOPE)
endfunction()

# A static library of a folder's sources (an interface library while the folder has none).
function(horalink_library target dir)
  horalink_sources(sources ${dir} ${ARGN})
  if(sources)
    add_library(${target} STATIC ${sources})
    set(scope PUBLIC)
  else()
    add_library(${target} INTERFACE)
    set(scope INTERFACE)
  endif()
  target_include_directories(${target} ${scope} ${dir})
  if(EXISTS ${dir}/lang)
    target_include_directories(${target} ${scope} ${dir}/lang)
  endif()
  set(${target}_SCOPE ${scope} PARENT_SCOPE)
endfunction()
