# The layering check over the source tree, and the same check over a tree that breaks a rule (it must
# find the break, so that a check that finds nothing at all cannot pass unnoticed).
set(_layering_script ${CMAKE_CURRENT_LIST_DIR}/check_layering.cmake)
add_test(NAME layering.Sources COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${PROJECT_SOURCE_DIR} -P ${_layering_script})
add_test(NAME layering.FindsABreak
         COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_CURRENT_LIST_DIR}/cases/window_messages -P ${_layering_script})
set_tests_properties(layering.FindsABreak PROPERTIES PASS_REGULAR_EXPRESSION
                     "core/Below\\.h:4: includes platform/ui/WindowMessages\\.h")
set_tests_properties(layering.Sources layering.FindsABreak PROPERTIES LABELS layering)
