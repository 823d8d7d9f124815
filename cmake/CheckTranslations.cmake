# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when the shipped translations are out of step with the sources or unfinished.
# Runs lupdate exactly as the update_translations target does, but on copies in WORK,
# and compares the copies with the files in the source tree; then looks for entries a
# translator still has to do.
#
# cmake -DLUPDATE=path -DGENERATOR=GenerateLUpdateProject.cmake -DPROJECT=<target>_project.cmake
#       -DOPTIONS="-locations;none" -DWORK=dir -P CheckTranslations.cmake
include("${PROJECT}")
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")

set(copies "")
foreach(ts IN LISTS lupdate_translations)
  get_filename_component(name "${ts}" NAME)
  file(COPY "${ts}" DESTINATION "${WORK}")
  list(APPEND copies "${WORK}/${name}")
endforeach()
file(WRITE "${WORK}/project.cmake"
  "set(lupdate_project_file \"${lupdate_project_file}\")\n"
  "set(lupdate_include_paths \"${lupdate_include_paths}\")\n"
  "set(lupdate_sources \"${lupdate_sources}\")\n"
  "set(lupdate_translations \"${copies}\")\n")
execute_process(COMMAND "${CMAKE_COMMAND}" "-DIN_FILE=${WORK}/project.cmake"
  "-DOUT_FILE=${WORK}/project.json" -P "${GENERATOR}" COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND "${LUPDATE}" -silent -project "${WORK}/project.json" ${OPTIONS}
  COMMAND_ERROR_IS_FATAL ANY)

set(faults "")
foreach(ts IN LISTS lupdate_translations)
  get_filename_component(name "${ts}" NAME)
  file(READ "${ts}" shipped)
  file(READ "${WORK}/${name}" updated)
  if(NOT shipped STREQUAL updated)
    string(APPEND faults "\n  ${name}: out of step with the sources (texts added, changed or "
      "removed); run `cmake --build build --target update_translations` and translate")
  endif()
  foreach(kind unfinished vanished obsolete)
    string(REGEX MATCHALL "type=\"${kind}\"" found "${shipped}")
    list(LENGTH found count)
    if(count GREATER 0)
      string(APPEND faults "\n  ${name}: ${count} ${kind} entries")
    endif()
  endforeach()
  string(REGEX MATCHALL "<translation></translation>" empty "${shipped}")
  list(LENGTH empty count)
  if(count GREATER 0)
    string(APPEND faults "\n  ${name}: ${count} empty translations")
  endif()
endforeach()
if(faults)
  message(FATAL_ERROR "The translations need work:${faults}")
endif()
list(LENGTH lupdate_translations count)
message(STATUS "${count} translations in step with the sources and complete")
