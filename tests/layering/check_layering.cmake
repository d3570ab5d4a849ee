# The layering of the source folders, checked on the includes of every .cpp and .h file under them.
#
#   cmake -DSOURCE_DIR=<source root> -P check_layering.cmake
#
# Prints one line "<file>:<line>: includes <header> (<why>)" for each include that a rule forbids and fails
# when there is any. A rule names the folders it covers, the includes it forbids there (a regular
# expression on the quoted path) and why.
if(NOT SOURCE_DIR)
  message(FATAL_ERROR "SOURCE_DIR not set")
endif()

set(rules window_messages)

set(window_messages_folders core data sim feed liveries airportscan traffic)
set(window_messages_forbidden "^platform/ui/WindowMessages\\.h$")
set(window_messages_why "code below app/ marks the bands it changed (core/WindowFields.h); only app/ talks to the window")

set(violations 0)
foreach(rule IN LISTS rules)
  foreach(folder IN LISTS ${rule}_folders)
    file(GLOB_RECURSE files "${SOURCE_DIR}/${folder}/*.cpp" "${SOURCE_DIR}/${folder}/*.h")
    foreach(file IN LISTS files)
      file(STRINGS "${file}" lines)
      set(number 0)
      foreach(line IN LISTS lines)
        math(EXPR number "${number} + 1")
        if(line MATCHES "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\"")
          set(header "${CMAKE_MATCH_1}")
          if(header MATCHES "${${rule}_forbidden}")
            file(RELATIVE_PATH shown "${SOURCE_DIR}" "${file}")
            message("${shown}:${number}: includes ${header} (${${rule}_why})")
            math(EXPR violations "${violations} + 1")
          endif()
        endif()
      endforeach()
    endforeach()
  endforeach()
endforeach()

if(violations GREATER 0)
  message(FATAL_ERROR "${violations} include(s) against the layering")
endif()
