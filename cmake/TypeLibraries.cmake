# win_add_type_library(<target> <file.idl> [HEADER_ONLY | NO_HEADER] [HEADER_DIR <folder>] [INCLUDE <folder>...])
# Compiles an .idl file with the platform's IDL compiler at build time: the generated header (<name>.h,
# in HEADER_DIR or a folder of the build tree) is on the target's include path, and the type library is
# embedded in the target as its resource TYPELIB 1. HEADER_ONLY gives the target only the header (for a
# library whose users embed the type library themselves), NO_HEADER only the embedded type library (for
# a target that has the header from a library it links). The file is compiled again when it or any file
# beside it changes.
function(win_add_type_library target idl)
  cmake_parse_arguments(T "HEADER_ONLY;NO_HEADER" "HEADER_DIR" "INCLUDE" ${ARGN})
  get_filename_component(idl_path ${idl} ABSOLUTE)
  get_filename_component(idl_name ${idl} NAME_WE)
  get_filename_component(idl_folder ${idl_path} DIRECTORY)
  if(NOT T_HEADER_DIR)
    set(T_HEADER_DIR ${CMAKE_CURRENT_BINARY_DIR}/${target}_idl)
  endif()
  set(header ${T_HEADER_DIR}/${idl_name}.h)
  set(library ${CMAKE_CURRENT_BINARY_DIR}/${target}_${idl_name}.tlb)
  set(registration ${CMAKE_CURRENT_BINARY_DIR}/${target}_${idl_name}_typelib.cpp)
  set(outputs)
  set(output_options)
  if(NOT T_NO_HEADER)
    file(MAKE_DIRECTORY ${T_HEADER_DIR})
    list(APPEND outputs ${header})
    list(APPEND output_options -h ${header})
  endif()
  if(NOT T_HEADER_ONLY)
    list(APPEND outputs ${library} ${registration})
    list(APPEND output_options -tlb ${library} -register ${registration})
  endif()
  file(GLOB dependencies CONFIGURE_DEPENDS ${idl_folder}/*)
  set(include_options)
  foreach(folder ${T_INCLUDE})
    list(APPEND include_options -I ${folder})
  endforeach()
  add_custom_command(
    OUTPUT ${outputs}
    COMMAND midl ${include_options} ${output_options} ${idl_path}
    DEPENDS midl ${idl_path} ${dependencies}
    COMMENT "Compiling ${idl_name}.idl for ${target}"
    VERBATIM)
  target_sources(${target} PRIVATE ${outputs})
  if(NOT T_HEADER_ONLY)
    # The registration source reaches the platform's resource table; the module itself need not.
    set_source_files_properties(${registration} PROPERTIES INCLUDE_DIRECTORIES ${PROJECT_SOURCE_DIR})
  endif()
  if(NOT T_NO_HEADER)
    target_include_directories(${target} PUBLIC ${T_HEADER_DIR})
  endif()
endfunction()

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
