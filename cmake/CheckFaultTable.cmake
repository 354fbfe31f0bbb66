# Fails unless DOC holds, as one whole table, the table of faults that PROGRAM (rzm530-sim)
# prints with --list-faults. Run with cmake -DPROGRAM=... -DDOC=... -P CheckFaultTable.cmake.
execute_process(COMMAND ${PROGRAM} --list-faults OUTPUT_VARIABLE table RESULT_VARIABLE result)
if(NOT result EQUAL 0 OR NOT table MATCHES "^\\| Fault \\|")
    message(FATAL_ERROR "${PROGRAM} --list-faults failed (${result}):\n${table}")
endif()
file(READ ${DOC} doc)
# A blank line either side: no row of the documented table is left out of the program's.
string(FIND "${doc}" "\n\n${table}\n" at)
if(at EQUAL -1)
    message(FATAL_ERROR "${DOC}'s table of the simulator's faults is not the one it prints; "
                        "replace it with the output of rzm530-sim --list-faults:\n${table}")
endif()
message(STATUS "${DOC} has the simulator's table of faults")
