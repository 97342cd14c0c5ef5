# Fails the configure step, and every build (an edited include needs no reconfigure),
# when a source file includes from a layer above its own.
# Dependencies point one way: app -> ui -> skin -> dialog, ui -> strings, ui -> update ->
# platform, dialog -> update, strings, cli -> update, helper -> platform, strings ->
# platform, win32 -> dialog. Only skin/, ui/ and app/ may use Qt, so the fuzz build (no
# window) still reaches the strings and the engine, and the Win32 window shares dialog/.

if(CMAKE_SCRIPT_MODE_FILE)
  cmake_minimum_required(VERSION 3.25)
endif()

# folder | project folders it may include from | whether it may include Qt
set(tbt_layers
  "platform|platform|no"
  "update|update,platform|no"
  "cli|cli,update,platform|no"
  "helper|helper,platform|no"
  "strings|strings,platform|no"
  "dialog|dialog,strings,update,platform|no"
  "skin|skin,dialog,platform|yes"
  "ui|ui,skin,dialog,strings,update,platform|yes"
  "app|app,ui,skin,dialog,strings,update,platform|yes"
  "win32|win32,app,dialog,strings,update,platform|no")
set(tbt_project_folders app ui skin dialog win32 strings cli update platform helper tests bench fuzz)

foreach(layer IN LISTS tbt_layers)
  string(REPLACE "|" ";" fields "${layer}")
  list(GET fields 0 folder)
  list(GET fields 1 allowed)
  string(REPLACE "," ";" allowed "${allowed}")
  list(GET fields 2 qt_allowed)
  file(GLOB_RECURSE layer_files
    ${PROJECT_SOURCE_DIR}/${folder}/*.cpp ${PROJECT_SOURCE_DIR}/${folder}/*.h)
  foreach(source IN LISTS layer_files)
    file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]+)[>\"].*" "\\1" target "${line}")
      string(REGEX MATCH "^[^/]+" top "${target}")
      if(target MATCHES "/" AND top IN_LIST tbt_project_folders AND NOT top IN_LIST allowed)
        message(FATAL_ERROR "layering: ${source} includes ${target} from a higher layer")
      endif()
      if(qt_allowed STREQUAL "no" AND target MATCHES "^Q[A-Za-z]*$|^Qt[A-Za-z]*/")
        message(FATAL_ERROR "layering: ${source} includes Qt (${target}) below the window")
      endif()
    endforeach()
  endforeach()
endforeach()

# Included by the project (not run as a script): check again on every build.
if(NOT CMAKE_SCRIPT_MODE_FILE)
  add_custom_target(check_layering ALL
    COMMAND ${CMAKE_COMMAND} -DPROJECT_SOURCE_DIR=${PROJECT_SOURCE_DIR}
            -P ${CMAKE_CURRENT_LIST_FILE}
    COMMENT "Checking that includes point down the layers" VERBATIM)
endif()
