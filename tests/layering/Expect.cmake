# Runs the layering check (-DCHECK=<CheckLayers.cmake>) on every case of
# cases.cmake and compares what it says with what the case expects: a failure
# with the expected message, or a pass. Reports every case that differs.
set(failed)
set(CASE "")
set(SOURCE_DIR ${CMAKE_CURRENT_LIST_DIR}/tree)
include(${CMAKE_CURRENT_LIST_DIR}/cases.cmake)
foreach(CASE IN LISTS LAYERING_CASES)
  set(LAYERING_EXPECT "")
  include(${CMAKE_CURRENT_LIST_DIR}/cases.cmake)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -DMANIFEST=${CMAKE_CURRENT_LIST_DIR}/cases.cmake -DCASE=${CASE}
            -DSOURCE_DIR=${SOURCE_DIR} -P ${CHECK}
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(said "${out}${err}")
  if(LAYERING_EXPECT STREQUAL "" AND NOT rc EQUAL 0)
    list(APPEND failed ${CASE})
    message("${CASE}: the check failed where it must pass:\n${said}")
  elseif(NOT LAYERING_EXPECT STREQUAL "" AND rc EQUAL 0)
    list(APPEND failed ${CASE})
    message("${CASE}: the check passed where it must fail with \"${LAYERING_EXPECT}\"")
  elseif(NOT said MATCHES "${LAYERING_EXPECT}")
    list(APPEND failed ${CASE})
    message("${CASE}: the check failed without saying \"${LAYERING_EXPECT}\":\n${said}")
  else()
    message(STATUS "${CASE}: as expected")
  endif()
endforeach()
if(failed)
  message(FATAL_ERROR "layering check cases that went wrong: ${failed}")
endif()
