# Checks one of the files the desktop reads with the desktop's own tool, when that is installed
# (scripts/install-deps test installs them); says SKIPPED otherwise.
# Run as: cmake -DKIND=desktop|metainfo|mime -DFILE=<file> [-DWORK_DIR=<folder>] -P ValidateDesktopFiles.cmake
set(tools desktop desktop-file-validate metainfo appstreamcli mime update-mime-database)
list(FIND tools "${KIND}" at)
math(EXPR at "${at} + 1")
list(GET tools ${at} tool)
find_program(program "${tool}")
if(NOT program)
  message("SKIPPED: ${tool} is not installed")
  return()
endif()

if(KIND STREQUAL "desktop")
  execute_process(COMMAND "${program}" "${FILE}" RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  # It warns on stdout and still ends well: any word from it is a fault.
  if(NOT result EQUAL 0 OR NOT output STREQUAL "")
    message(FATAL_ERROR "desktop-file-validate ${FILE}:\n${output}")
  endif()
elseif(KIND STREQUAL "metainfo")
  execute_process(COMMAND "${program}" validate --no-net --strict "${FILE}"
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "appstreamcli validate ${FILE}:\n${output}")
  endif()
else()
  # The file type, built into a database of its own: *.cgx must come out as a Cogline game.
  file(REMOVE_RECURSE "${WORK_DIR}")
  file(COPY "${FILE}" DESTINATION "${WORK_DIR}/packages")
  execute_process(COMMAND "${program}" "${WORK_DIR}" RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0 OR output MATCHES "[Ww]arning|[Ee]rror")
    message(FATAL_ERROR "update-mime-database:\n${output}")
  endif()
  file(STRINGS "${WORK_DIR}/globs2" globs REGEX "cgx")
  if(NOT globs MATCHES ":application/x-cogline-game:\\*\\.cgx")
    message(FATAL_ERROR "*.cgx is not application/x-cogline-game: ${globs}")
  endif()
  file(REMOVE_RECURSE "${WORK_DIR}")
endif()
