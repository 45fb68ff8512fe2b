# SPDX-License-Identifier: GPL-3.0-or-later
# For one description: N frames straight through must end in the same picture and state hash as
# N/2 frames, a save, a new process that loads it, and N/2 more frames.
# cmake -DHEADLESS=<tirvane-headless> -DINI=<description> -DWORK=<folder> -P determinism.cmake
set(half 30)
math(EXPR frames "2 * ${half}")
get_filename_component(name ${INI} NAME_WE)
set(dir ${WORK}/${name})
file(MAKE_DIRECTORY ${dir})
# Keys held across the save, released after it.
set(keys "10-${half}:Right+Ctrl+1")

function(headless out)
  execute_process(COMMAND ${HEADLESS} ${INI} ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE text ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${name}: tirvane-headless ${ARGN} failed (${status}):\n${err}")
  endif()
  string(REGEX MATCH "state hash: [0-9a-f]+" hash "${text}")
  set(${out} "${hash}" PARENT_SCOPE)
endfunction()

headless(straight --frames ${frames} --keys ${keys} --stats --png ${dir}/straight.png)
headless(first --frames ${half} --keys ${keys} --save-state ${dir}/half.state --stats)
headless(resumed --load-state ${dir}/half.state --frames ${half} --stats --png ${dir}/resumed.png)

if(NOT straight OR NOT straight STREQUAL resumed)
  message(FATAL_ERROR "${name}: straight run \"${straight}\", saved and resumed \"${resumed}\"")
endif()
file(SHA256 ${dir}/straight.png a)
file(SHA256 ${dir}/resumed.png b)
if(NOT a STREQUAL b)
  message(FATAL_ERROR "${name}: the pictures differ")
endif()
file(SIZE ${dir}/half.state size)
if(size GREATER 102400)
  message(FATAL_ERROR "${name}: the state file has ${size} bytes, more than 100 KB")
endif()
message(STATUS "${name}: ${straight}, state file ${size} bytes")
