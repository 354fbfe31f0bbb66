# Checks the generated Windows version resource, on any platform:
#   cmake -DRC_FILE=<rc> -DVERSION_STRING=1.00.0017 -DPRODUCT_NAME=<name> -DINTERNAL_NAME=<name>
#         -P CheckVersionResource.cmake
# The resource compiler reads a number with a leading 0 as octal (0017 is 15), so FILEVERSION and
# PRODUCTVERSION must be major,minor,0,build in plain decimal while the strings keep the zeros.
foreach(var RC_FILE VERSION_STRING PRODUCT_NAME INTERNAL_NAME)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "${var} not given")
    endif()
endforeach()
file(READ "${RC_FILE}" rc)

set(errors "")
macro(fail text)
    string(APPEND errors "\n  ${text}")
endmacro()

if(NOT VERSION_STRING MATCHES "^([0-9]+)\\.([0-9]+)\\.([0-9]+)$")
    message(FATAL_ERROR "VERSION_STRING '${VERSION_STRING}' is not major.minor.build")
endif()
set(expected_numbers "")
foreach(part "${CMAKE_MATCH_1}" "${CMAKE_MATCH_2}" 0 "${CMAKE_MATCH_3}")
    string(REGEX REPLACE "^0+([0-9])" "\\1" part "${part}")
    list(APPEND expected_numbers "${part}")
endforeach()
string(REPLACE ";" "," expected_numbers "${expected_numbers}")

foreach(field FILEVERSION PRODUCTVERSION)
    string(REGEX MATCHALL "\n${field}[ \t]+[^\n]*" lines "${rc}")
    list(LENGTH lines count)
    if(NOT count EQUAL 1)
        fail("${field}: found ${count} times, expected once")
        continue()
    endif()
    string(REGEX REPLACE "^\n${field}[ \t]+" "" value "${lines}")
    string(REGEX REPLACE "[ \t\r]" "" value "${value}")
    string(REPLACE "," ";" numbers "${value}")
    list(LENGTH numbers count)
    list(FILTER numbers EXCLUDE REGEX "^(0|[1-9][0-9]*)$")
    if(NOT count EQUAL 4 OR numbers)
        fail("${field} ${value}: four plain decimal numbers expected, no leading zeros")
    elseif(NOT value STREQUAL expected_numbers)
        fail("${field} ${value}: expected ${expected_numbers}")
    endif()
endforeach()

foreach(pair "FileVersion=${VERSION_STRING}" "ProductVersion=${VERSION_STRING}"
             "ProductName=${PRODUCT_NAME}" "InternalName=${INTERNAL_NAME}")
    string(REGEX MATCH "^([^=]+)=(.*)$" _ "${pair}")
    set(key "${CMAKE_MATCH_1}")
    set(expected "${CMAKE_MATCH_2}")
    if(NOT rc MATCHES "VALUE \"${key}\", \"([^\"]*)\"")
        fail("${key}: missing")
    elseif(NOT CMAKE_MATCH_1 STREQUAL expected)
        fail("${key} \"${CMAKE_MATCH_1}\": expected \"${expected}\"")
    endif()
endforeach()

if(errors)
    message(FATAL_ERROR "${RC_FILE}:${errors}")
endif()
message(STATUS "${RC_FILE}: FILEVERSION and PRODUCTVERSION ${expected_numbers}, "
               "version strings \"${VERSION_STRING}\"")
