# win_add_type_library(<target> <file.idl> [HEADER_DIR <folder>] [INCLUDE <folder>...])
# Compiles an .idl file with the platform's IDL compiler at build time: the generated header (<name>.h,
# in HEADER_DIR or a folder of the build tree) is on the target's include path, and the type library is
# embedded in the target as its resource TYPELIB 1. The file is compiled again when it or any file
# beside it changes.
function(win_add_type_library target idl)
  cmake_parse_arguments(T "" "HEADER_DIR" "INCLUDE" ${ARGN})
  get_filename_component(idl_path ${idl} ABSOLUTE)
  get_filename_component(idl_name ${idl} NAME_WE)
  get_filename_component(idl_folder ${idl_path} DIRECTORY)
  if(NOT T_HEADER_DIR)
    set(T_HEADER_DIR ${CMAKE_CURRENT_BINARY_DIR}/${target}_idl)
  endif()
  file(MAKE_DIRECTORY ${T_HEADER_DIR})
  set(header ${T_HEADER_DIR}/${idl_name}.h)
  set(library ${CMAKE_CURRENT_BINARY_DIR}/${target}_${idl_name}.tlb)
  set(registration ${CMAKE_CURRENT_BINARY_DIR}/${target}_${idl_name}_typelib.cpp)
  file(GLOB dependencies CONFIGURE_DEPENDS ${idl_folder}/*)
  set(include_options)
  foreach(folder ${T_INCLUDE})
    list(APPEND include_options -I ${folder})
  endforeach()
  add_custom_command(
    OUTPUT ${header} ${library} ${registration}
    COMMAND midl ${include_options} -h ${header} -tlb ${library} -register ${registration} ${idl_path}
    DEPENDS midl ${idl_path} ${dependencies}
    COMMENT "Compiling ${idl_name}.idl for ${target}"
    VERBATIM)
  target_sources(${target} PRIVATE ${header} ${registration})
  # The registration source reaches the platform's resource table; the module itself need not.
  set_source_files_properties(${registration} PROPERTIES INCLUDE_DIRECTORIES ${PROJECT_SOURCE_DIR})
  target_include_directories(${target} PUBLIC ${T_HEADER_DIR})
endfunction()

# win_write_type_library(<name> <file.idl> <output.tlb> [INCLUDE <folder>...])
# Writes only the type library of an .idl file, as a build target <name>: for a library that a machine
# registers by its path.
function(win_write_type_library name idl output)
  cmake_parse_arguments(T "" "" "INCLUDE" ${ARGN})
  get_filename_component(idl_path ${idl} ABSOLUTE)
  get_filename_component(idl_folder ${idl_path} DIRECTORY)
  file(GLOB dependencies CONFIGURE_DEPENDS ${idl_folder}/*)
  set(include_options)
  foreach(folder ${T_INCLUDE})
    list(APPEND include_options -I ${folder})
  endforeach()
  add_custom_command(
    OUTPUT ${output}
    COMMAND midl ${include_options} -tlb ${output} ${idl_path}
    DEPENDS midl ${idl_path} ${dependencies}
    COMMENT "Writing the type library of ${idl}"
    VERBATIM)
  add_custom_target(${name} ALL DEPENDS ${output})
endfunction()
