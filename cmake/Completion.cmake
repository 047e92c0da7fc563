# Writes kelmctl's bash completion: the walking functions followed by the grammar the program
# prints, so the completion offers exactly what the parser takes.
#   cmake -DPROGRAM=path -DFUNCTIONS=kelmctl-functions.bash -DOUTPUT=kelmctl.bash -P Completion.cmake
foreach(var PROGRAM FUNCTIONS OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "Completion.cmake needs -D${var}=")
  endif()
endforeach()

execute_process(COMMAND ${PROGRAM} --bash-completion OUTPUT_VARIABLE grammar RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT grammar MATCHES "_kelmctl_grammar")
  message(FATAL_ERROR "${PROGRAM} --bash-completion failed (${rc}); no completion written")
endif()
file(READ ${FUNCTIONS} functions)
file(WRITE ${OUTPUT}.tmp "${functions}${grammar}")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
