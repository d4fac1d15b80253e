# win_add_resources(<target> <script.rc> [INCLUDE <folder>...])
# Compiles a resource script with the platform's resource compiler at build time and adds the generated
# source, which registers the resources for the program's module, to the target. The script is compiled
# again when it or any file beside it (resource.h, bitmaps, icons) changes.
function(win_add_resources target script)
  cmake_parse_arguments(R "" "" "INCLUDE" ${ARGN})
  get_filename_component(script_path ${script} ABSOLUTE)
  get_filename_component(script_name ${script} NAME_WE)
  get_filename_component(script_folder ${script_path} DIRECTORY)
  set(output ${CMAKE_CURRENT_BINARY_DIR}/${target}_${script_name}_resources.cpp)
  file(GLOB dependencies CONFIGURE_DEPENDS ${script_folder}/*)
  set(include_options)
  foreach(folder ${R_INCLUDE})
    list(APPEND include_options -I ${folder})
  endforeach()
  add_custom_command(
    OUTPUT ${output}
    COMMAND rc ${include_options} -o ${output} ${script_path}
    DEPENDS rc ${script_path} ${dependencies}
    COMMENT "Compiling resources ${script_name}.rc for ${target}"
    VERBATIM)
  target_sources(${target} PRIVATE ${output})
  # The generated source registers the resources through the platform's own header; the program itself
  # does not see the platform's insides.
  set_source_files_properties(${output} PROPERTIES INCLUDE_DIRECTORIES ${PROJECT_SOURCE_DIR})
endfunction()
