# Makes one program's manual page from its own --help, with help2man, so that the two never
# disagree: cmake -DHELP2MAN=... -DGZIP=... -DPROGRAM=<built program>
# -DPACKAGE=<name> -DVERSION=<number>
# -DINCLUDES=<file;file> -DDATE_EPOCH=<seconds> -DOUTPUT=<page.1> -P ManPage.cmake
# writes OUTPUT and OUTPUT.gz.
foreach(variable HELP2MAN GZIP PROGRAM PACKAGE VERSION INCLUDES DATE_EPOCH OUTPUT)
    if(NOT DEFINED ${variable})
        message(FATAL_ERROR "ManPage.cmake: ${variable} is not given")
    endif()
endforeach()

# The help as a user on any machine reads it, not as the builder's account would: it names
# the history file under the home folder, which "~" stands for, and the XDG defaults.
get_filename_component(directory "${PROGRAM}" DIRECTORY)
get_filename_component(name "${PROGRAM}" NAME)
set(ENV{PATH} "${directory}:$ENV{PATH}") # run by name, so that "Usage:" names it so
set(ENV{HOME} "~")
set(ENV{LC_ALL} C.UTF-8)
set(ENV{QT_QPA_PLATFORM} offscreen)
foreach(variable XDG_DATA_HOME XDG_CONFIG_HOME RZM530_COM_DIR LANGUAGE)
    unset(ENV{${variable}})
endforeach()
# help2man dates the page; the date of the latest changelog entry keeps builds reproducible.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
    set(ENV{SOURCE_DATE_EPOCH} "${DATE_EPOCH}")
endif()

get_filename_component(output_directory "${OUTPUT}" DIRECTORY)
file(MAKE_DIRECTORY "${output_directory}")

set(include_options)
foreach(include IN LISTS INCLUDES)
    list(APPEND include_options "--include=${include}")
endforeach()

# help2man takes "Options:", "Environment:" and "Files:" for sections of their own, but not
# "Exit status:", which it does take as "*Exit status*": it reads the help, so turned, from a
# stand-in of the same name that prints it. A help without the list leaves it to the includes.
execute_process(COMMAND ${name} --help OUTPUT_VARIABLE help RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "${name} --help failed")
endif()
string(REPLACE "\nExit status:\n" "\n*Exit status*\n" help "${help}")
set(stand_in "${output_directory}/${name}.help")
file(WRITE "${stand_in}/help.txt" "${help}")
file(WRITE "${stand_in}/${name}" "#!/bin/sh\nexec cat '${stand_in}/help.txt'\n")
file(CHMOD "${stand_in}/${name}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
execute_process(
    COMMAND "${HELP2MAN}" --no-info "--version-string=${name} (${PACKAGE}) ${VERSION}"
            ${include_options} --output=${OUTPUT} "${stand_in}/${name}"
    RESULT_VARIABLE failed)
if(failed)
    file(REMOVE "${OUTPUT}")
    message(FATAL_ERROR "help2man could not make ${OUTPUT} from ${name} --help")
endif()
# -n: no name or time stamp in the gzip header, as Debian's packages have it.
execute_process(COMMAND "${GZIP}" -9 -n -f -k "${OUTPUT}" RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "gzip could not compress ${OUTPUT}")
endif()
