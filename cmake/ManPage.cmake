# Writes a man page from a program's --help output, so the page never drifts from the help:
#   cmake -DPROGRAM=path -DNAME=kelmctl -DSUMMARY="..." -DVERSION=1.0 -DOUTPUT=kelmctl.1 -P ManPage.cmake
# The help's "Usage:" line becomes the synopsis; everything else is kept as it is laid out
# (preformatted), whatever the layout of the help is.
foreach(var PROGRAM NAME SUMMARY VERSION OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "ManPage.cmake needs -D${var}=")
  endif()
endforeach()

execute_process(COMMAND ${PROGRAM} --help OUTPUT_VARIABLE help RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR help STREQUAL "")
  message(FATAL_ERROR "${PROGRAM} --help failed (${rc}); no man page written")
endif()

# roff: a backslash is \e, a hyphen in text \-, and a line may not begin with a control character.
function(roff_escape out text)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

set(synopsis "")
set(body "")
string(REPLACE ";" "\\;" help "${help}")
string(REPLACE "\n" ";" lines "${help}")
foreach(line IN LISTS lines)
  if(synopsis STREQUAL "" AND line MATCHES "^[Uu]sage: *(.*)$")
    set(synopsis "${CMAKE_MATCH_1}")
    continue()
  endif()
  string(APPEND body "${line}\n")
endforeach()
string(STRIP "${body}" body)
if(synopsis STREQUAL "")
  set(synopsis "${NAME} [ARGS]")
endif()

roff_escape(synopsis "${synopsis}")
roff_escape(body "${body}")
roff_escape(summary "${SUMMARY}")
string(TOUPPER "${NAME}" title)
string(TIMESTAMP year "%Y" UTC)

file(WRITE ${OUTPUT}.tmp
".TH ${title} 1 \"${year}\" \"${NAME} ${VERSION}\" \"User Commands\"
.SH NAME
${NAME} \\- ${summary}
.SH SYNOPSIS
.B ${synopsis}
.SH DESCRIPTION
.nf
${body}
.fi
")
# Only a changed page is rewritten, so an unchanged help does not retrigger packaging steps.
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
