# SPDX-License-Identifier: GPL-3.0-or-later
# Assembles our own Z80 test programs with pasmo at build time.
find_program(PASMO pasmo REQUIRED)

# tirvane_assemble(OUT <binary> SRC <source.asm> [FORMAT --tapbas]): the source's folder is the
# working folder, so INCLUDE and INCBIN resolve beside it; every .inc there and in the sibling
# folders (games/common, and a board family's code another board includes as "../galaxian/x.inc")
# counts as a dependency. FORMAT is pasmo's output option (default --bin).
function(tirvane_assemble)
  cmake_parse_arguments(ARG "" "OUT;SRC;FORMAT" "" ${ARGN})
  if(NOT ARG_FORMAT)
    set(ARG_FORMAT --bin)
  endif()
  get_filename_component(dir ${ARG_SRC} DIRECTORY)
  file(GLOB incs CONFIGURE_DEPENDS ${dir}/*.inc ${dir}/../*/*.inc)
  get_filename_component(outdir ${ARG_OUT} DIRECTORY)
  add_custom_command(
    OUTPUT ${ARG_OUT}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${outdir}
    COMMAND ${PASMO} ${ARG_FORMAT} ${ARG_SRC} ${ARG_OUT}
    WORKING_DIRECTORY ${dir}
    DEPENDS ${ARG_SRC} ${incs}
    COMMENT "Assembling ${ARG_SRC}"
    VERBATIM)
endfunction()
