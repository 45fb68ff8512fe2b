# SPDX-License-Identifier: GPL-3.0-or-later
# cmake -DSOURCE_DIR=... -P license_check.cmake: every source file names its license on one line.
file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR}
     ${SOURCE_DIR}/src/* ${SOURCE_DIR}/tests/* ${SOURCE_DIR}/bench/* ${SOURCE_DIR}/games/*
     ${SOURCE_DIR}/scripts/* ${SOURCE_DIR}/cmake/* ${SOURCE_DIR}/CMakeLists.txt)
set(missing)
foreach(file ${sources})
  if(file MATCHES "(\\.(cpp|h|asm|inc|cmake|sh|py|ts|js|mjs|in)|CMakeLists\\.txt)$"
     AND NOT file MATCHES "(^|/)(node_modules|corpus)/")
    file(READ ${SOURCE_DIR}/${file} head LIMIT 300)
    if(NOT head MATCHES "SPDX-License-Identifier: GPL-3\\.0-or-later")
      list(APPEND missing ${file})
    endif()
  endif()
endforeach()
if(missing)
  list(JOIN missing "\n  " listing)
  message(FATAL_ERROR "no SPDX-License-Identifier line in:\n  ${listing}")
endif()
