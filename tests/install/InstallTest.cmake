# cmake --install into a fresh prefix installs exactly the expected files: the program, the
# files the reference-data generator writes (checked first to be exactly those in its manifest),
# the files other build steps ship, and the desktop's entry, file type, metainfo and icons.
# Run as: cmake -DSETTINGS=<install-test-settings.cmake> -P InstallTest.cmake
include("${SETTINGS}")

function(relative_files folder out)
  file(GLOB_RECURSE found LIST_DIRECTORIES false RELATIVE "${folder}" "${folder}/*")
  list(SORT found)
  set(${out} "${found}" PARENT_SCOPE)
endfunction()

# Says what one list has that the other lacks, and fails when they differ.
function(expect_same_files what expected actual)
  list(SORT expected)
  list(SORT actual)
  if(NOT expected STREQUAL actual)
    set(missing ${expected})
    list(REMOVE_ITEM missing ${actual})
    set(extra ${actual})
    list(REMOVE_ITEM extra ${expected})
    list(JOIN missing "\n  " missing)
    list(JOIN extra "\n  " extra)
    message(FATAL_ERROR "${what}\nmissing:\n  ${missing}\nnot expected:\n  ${extra}")
  endif()
endfunction()

set(work "${WORK_DIR}")
file(REMOVE_RECURSE "${work}")
file(MAKE_DIRECTORY "${work}")

# 1. The manifest lists exactly the files the generator writes (into a fresh folder, where
#    nothing else lies).
execute_process(COMMAND "${CMAKE_COMMAND}" -E env QT_QPA_PLATFORM=offscreen
    "${GENERATOR}" "${work}/data/" "${TEMPLATES}/" "${work}/manifest"
  RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the generator failed: ${result}")
endif()
file(STRINGS "${work}/manifest" listed ENCODING UTF-8)
relative_files("${work}/data" written)
expect_same_files("The manifest differs from the files the generator writes." "${listed}" "${written}")
list(LENGTH listed count)
if(count LESS 20)
  message(FATAL_ERROR "the generator wrote only ${count} files")
endif()

# 2. The install gives exactly the expected files.
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${work}/prefix"
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}\n${output}")
endif()

set(id org.cogline.TurnGenerator)
set(share "${DATAROOTDIR}")
set(expected
  "${BINDIR}/CoglineTurnGenerator"
  "${share}/applications/${id}.desktop"
  "${share}/mime/packages/${id}.xml"
  "${share}/metainfo/${id}.metainfo.xml"
  "${share}/icons/hicolor/scalable/apps/${id}.svg")
foreach(size 16 22 24 32 48 64 128 256)
  list(APPEND expected "${share}/icons/hicolor/${size}x${size}/apps/${id}.png")
endforeach()
# The generator's files as its fresh run above wrote them, not as the build's manifest says, so
# that a stale or wrong manifest fails too.
foreach(path IN LISTS listed SHIPPED_NAMES)
  list(APPEND expected "${share}/cogline-turn-generator/${path}")
endforeach()
relative_files("${work}/prefix" installed)
expect_same_files("cmake --install installed other files than expected." "${expected}" "${installed}")

# The desktop's own check of the installed tree: the metainfo, and the desktop entry and icon it
# names, found where the desktop looks for them.
find_program(appstreamcli appstreamcli)
if(appstreamcli)
  execute_process(COMMAND "${appstreamcli}" validate-tree --no-net --strict "${work}/prefix"
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "appstreamcli validate-tree:\n${output}")
  endif()
else()
  message("appstreamcli is not installed: the installed tree is not validated")
endif()

# The installed program finds its data where it looks for it.
if(NOT EXISTS "${work}/prefix/${BINDIR}/${DATA_FROM_BIN}/CoreProgramDeck.xml")
  message(FATAL_ERROR "the program looks for its data in ${BINDIR}/${DATA_FROM_BIN}, which holds none")
endif()

# 3. The installed program, started from another folder with its install folder read-only, opens
#    the shipped sample game and writes the phase's pictures and reports below the user's
#    documents folder, and nothing into its own folders.
set(sample "${work}/prefix/${share}/cogline-turn-generator/Sample Game.cgx")
if(EXISTS "${sample}")
  set(home "${work}/home")
  set(elsewhere "${work}/elsewhere")
  file(MAKE_DIRECTORY "${home}" "${elsewhere}")
  relative_files("${work}/prefix" before)
  execute_process(COMMAND chmod -R a-w "${work}/prefix")
  execute_process(COMMAND "${CMAKE_COMMAND}" -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY --unset=QT_QPA_PLATFORM
      --unset=XDG_CONFIG_HOME --unset=XDG_DATA_HOME "HOME=${home}"
      "${work}/prefix/${BINDIR}/CoglineTurnGenerator" --export "${sample}"
    WORKING_DIRECTORY "${elsewhere}"
    RESULT_VARIABLE result OUTPUT_VARIABLE written ERROR_VARIABLE errors)
  execute_process(COMMAND chmod -R u+w "${work}/prefix")
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "the installed program did not export the sample game: ${result}\n${errors}")
  endif()
  string(REPLACE "\r" "" written "${written}")
  string(STRIP "${written}" written)
  string(REPLACE "\n" ";" written "${written}")
  set(pictures 0)
  set(documents "${home}/Documents/Cogline Turn Generator/")
  foreach(path IN LISTS written)
    string(FIND "${path}" "${documents}" at)
    if(NOT at EQUAL 0 OR NOT EXISTS "${path}")
      message(FATAL_ERROR "written outside the user's documents folder, or not at all: ${path}")
    endif()
    if(path MATCHES "\\.jpg$")
      math(EXPR pictures "${pictures} + 1")
    endif()
  endforeach()
  if(pictures LESS 2)
    message(FATAL_ERROR "the export wrote ${pictures} pictures:\n${written}")
  endif()
  relative_files("${work}/prefix" after)
  expect_same_files("The installed program wrote into its install folder." "${before}" "${after}")
  relative_files("${elsewhere}" leftovers)
  if(leftovers)
    message(FATAL_ERROR "the installed program wrote into the folder it was started from: ${leftovers}")
  endif()
else()
  message(FATAL_ERROR "the sample game was not installed: ${sample}")
endif()
file(REMOVE_RECURSE "${work}")
