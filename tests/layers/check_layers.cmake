# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when a source file under src/ includes a header of a layer above its own, or of another
# folder on its own layer; when a file outside a ui/ folder includes a Qt header; and when a driver
# includes anything of the windows or the debugger, whatever the ranks say.
# Run as: cmake -DSRC=<src folder> -P check_layers.cmake
# A folder's layer is that of its longest listed prefix; src/CMakeLists.txt links the same order.
set(layers
  "text:0"
  "z80:1" "video:1"
  "machine:2" "devices:2"
  "drivers:3"
  "run:4"
  "debugger:5"
  "app:6"
  "debugger/ui:7" "automation:7"
  "app/ui:8" "app/headless:8")

# Folders whose files must not include from the folders after the colon.
set(barred "drivers:app,debugger,automation")

function(layer_of path out_rank out_folder)
  set(best_rank -1)
  set(best_folder "")
  set(best_length 0)
  foreach(entry ${layers})
    string(REPLACE ":" ";" pair ${entry})
    list(GET pair 0 folder)
    list(GET pair 1 rank)
    string(LENGTH "${folder}/" length)
    string(SUBSTRING "${path}" 0 ${length} head)
    if(head STREQUAL "${folder}/" AND length GREATER best_length)
      set(best_rank ${rank})
      set(best_folder ${folder})
      set(best_length ${length})
    endif()
  endforeach()
  set(${out_rank} ${best_rank} PARENT_SCOPE)
  set(${out_folder} "${best_folder}" PARENT_SCOPE)
endfunction()

get_filename_component(SRC "${SRC}" ABSOLUTE)
file(GLOB_RECURSE files RELATIVE ${SRC} ${SRC}/*.h ${SRC}/*.cpp)
set(faults "")
foreach(file ${files})
  layer_of(${file} rank folder)
  if(rank EQUAL -1)
    string(APPEND faults "  ${file}: its folder has no layer\n")
    continue()
  endif()
  # Only the ui/ folders link Qt: nothing else may see its headers.
  if(NOT file MATCHES "(^|/)ui/")
    file(STRINGS ${SRC}/${file} qt_includes REGEX "^[ \t]*#[ \t]*include[ \t]*<Q[A-Za-z]*[>/.]")
    foreach(line ${qt_includes})
      string(STRIP "${line}" line)
      string(APPEND faults "  ${file}: ${line} is Qt, outside a ui/ folder\n")
    endforeach()
  endif()
  set(barred_here "")
  foreach(entry ${barred})
    string(REPLACE ":" ";" pair ${entry})
    list(GET pair 0 owner)
    if(folder STREQUAL owner)
      list(GET pair 1 targets)
      string(REPLACE "," ";" barred_here "${targets}")
    endif()
  endforeach()
  file(STRINGS ${SRC}/${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line ${includes})
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*" "\\1" target "${line}")
    # A bare name is a header the build generates (the version), which depends on nothing.
    if(NOT target MATCHES "/")
      continue()
    endif()
    layer_of(${target} target_rank target_folder)
    string(REGEX REPLACE "/.*" "" target_top "${target}")
    list(FIND barred_here "${target_top}" barred_at)
    if(NOT barred_at EQUAL -1)
      string(APPEND faults "  ${file}: \"${target}\" is ${target_top}; a ${folder} file includes none of it\n")
    elseif(target_rank EQUAL -1)
      string(APPEND faults "  ${file}: \"${target}\" is not under a layer's folder\n")
    elseif(target_rank GREATER rank)
      string(APPEND faults "  ${file}: \"${target}\" is in a higher layer (${target_folder})\n")
    elseif(target_rank EQUAL rank AND NOT target_folder STREQUAL folder)
      string(APPEND faults "  ${file}: \"${target}\" is beside it (${target_folder}), not below\n")
    endif()
  endforeach()
endforeach()
if(faults)
  message(FATAL_ERROR "Includes that climb the layers:\n${faults}")
endif()
list(LENGTH files count)
message(STATUS "${count} files keep to their layers")
