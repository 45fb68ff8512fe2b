# SPDX-License-Identifier: GPL-3.0-or-later
# Runs one exerciser through the runner and requires exactly PASSES of its 67 tests to print OK
# and the program to end at its warm boot.
execute_process(COMMAND ${RUNNER} --cpm ${PROGRAM} --cpu ${CPU} OUTPUT_VARIABLE out RESULT_VARIABLE status)
message("${out}")
string(REGEX MATCHALL "\\.\\.  OK" passed "${out}")
list(LENGTH passed count)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the program did not reach its warm boot (status ${status})")
endif()
if(NOT count EQUAL ${PASSES})
  message(FATAL_ERROR "${count} of 67 tests passed, ${PASSES} expected")
endif()
