# Fails when PROGRAM links Qt GUI or Qt Widgets: the console program must run
# with no display at all. With -DUNWANTED=Network, fails when PROGRAM links Qt
# Network, which only the RTU-over-TCP module may load, on first use; with
# -DUNWANTED=Sql, Qt SQL, which only the tools module may.
# Run with cmake -DPROGRAM=... [-DUNWANTED=...] -P CheckUnwantedQt.cmake.
if(WIN32)
    return()
endif()
if(NOT UNWANTED)
    set(UNWANTED "Gui|Widgets")
endif()
execute_process(COMMAND ldd ${PROGRAM} OUTPUT_VARIABLE libraries RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "ldd ${PROGRAM} failed")
endif()
if(NOT libraries MATCHES "libQt6Core")
    message(FATAL_ERROR "ldd shows no Qt at all in ${PROGRAM}:\n${libraries}")
endif()
if(libraries MATCHES "libQt6(${UNWANTED})")
    message(FATAL_ERROR "${PROGRAM} links ${CMAKE_MATCH_0}:\n${libraries}")
endif()
message(STATUS "${PROGRAM} links no libQt6(${UNWANTED})")
