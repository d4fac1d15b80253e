# The libraries and programs of the system, which a machine runs through stubs (program_stub.h).
#
# win_add_system_library(<target> SOURCES <source>... EXPORTS <file.def> [LOADS <target>...] [LIBS <target>...])
#   Builds the host shared library lib<target>.so. The .def file lists the library's exports as Windows'
#   module-definition files do, one "NAME @ORDINAL" line each ("EXPORTS" and "LIBRARY" lines, ';' comments
#   and the words NONAME, PRIVATE and DATA are allowed and ignored); from it a source is generated with the
#   export table that GetProcAddress answers from (platform/kernel32/module_exports.h). Every export must
#   be a function with C linkage the library defines.
# win_add_system_program(<target> SOURCES <source>... [LOADS <target>...] [LIBS <target>...])
#   Builds the host program.
# LOADS names the platform or system libraries the module loads at run time (LoadLibraryA, COM), which are
# built with it; LIBS the libraries it links.

function(_win_system_module_dependencies target)
  cmake_parse_arguments(M "" "" "LOADS;LIBS" ${ARGN})
  if(M_LIBS)
    target_link_libraries(${target} PRIVATE ${M_LIBS})
  endif()
  if(M_LOADS)
    add_dependencies(${target} ${M_LOADS})
  endif()
endfunction()

# Writes the export table source of a .def file; the build configures again when the file changes.
function(_win_export_table target def_file output)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${def_file})
  file(STRINGS ${def_file} lines)
  set(declarations "")
  set(entries "")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE ";.*$" "" line "${line}")
    string(STRIP "${line}" line)
    if(line STREQUAL "" OR line MATCHES "^(EXPORTS|LIBRARY)([ \t]|$)")
      continue()
    endif()
    if(NOT line MATCHES "^([A-Za-z_][A-Za-z0-9_]*)([ \t]*@[ \t]*([0-9]+))?([ \t]+(NONAME|PRIVATE|DATA))*$")
      message(FATAL_ERROR "${def_file}: not an export line: ${line}")
    endif()
    set(name ${CMAKE_MATCH_1})
    set(ordinal 0)
    if(CMAKE_MATCH_3)
      set(ordinal ${CMAKE_MATCH_3})
    endif()
    string(APPEND declarations "extern \"C\" void ${name}();\n")
    string(APPEND entries "    {\"${name}\", ${ordinal}, &${name}},\n")
  endforeach()
  file(GENERATE OUTPUT ${output} CONTENT
"// The export table of ${target}, generated from ${def_file}.
#include \"platform/kernel32/module_exports.h\"

${declarations}
extern \"C\" const platform::ModuleExport winmodule_exports[] = {
${entries}    {nullptr, 0, nullptr},
};
")
endfunction()

function(win_add_system_library target)
  cmake_parse_arguments(M "" "EXPORTS" "SOURCES;LOADS;LIBS" ${ARGN})
  if(NOT M_EXPORTS)
    message(FATAL_ERROR "win_add_system_library(${target}): EXPORTS <file.def> is required")
  endif()
  get_filename_component(def_file ${M_EXPORTS} ABSOLUTE)
  set(table ${CMAKE_CURRENT_BINARY_DIR}/${target}_exports.cpp)
  _win_export_table(${target} ${def_file} ${table})
  add_library(${target} SHARED ${M_SOURCES} ${table})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR})
  _win_system_module_dependencies(${target} LOADS ${M_LOADS} LIBS ${M_LIBS})
endfunction()

function(win_add_system_program target)
  cmake_parse_arguments(M "" "" "SOURCES;LOADS;LIBS" ${ARGN})
  add_executable(${target} ${M_SOURCES})
  _win_system_module_dependencies(${target} LOADS ${M_LOADS} LIBS ${M_LIBS})
endfunction()
