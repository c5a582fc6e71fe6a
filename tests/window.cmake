# SPDX-License-Identifier: GPL-3.0-or-later
# Qt tests of the window and its tool windows, under the offscreen platform.
function(tessaly_qt_test name source)
  add_executable(${name} ${source})
  target_link_libraries(${name} PRIVATE tessaly_ui tessaly_test_support Qt6::Test)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" LABELS "${ARGN}")
endfunction()

tessaly_qt_test(test_window window_test.cpp)
tessaly_qt_test(test_acquire window_acquire_test.cpp)
tessaly_qt_test(test_commands window_commands_test.cpp)
tessaly_qt_test(test_search window_search_test.cpp thread)
tessaly_qt_test(test_diagnostics_log diagnostics_traffic_log_test.cpp thread)
tessaly_qt_test(test_diagnostics_trend diagnostics_current_trend_test.cpp)
target_link_libraries(test_diagnostics_trend PRIVATE QCustomPlotQt6::QCustomPlotQt6)
tessaly_qt_test(test_diagnostics_window diagnostics_window_test.cpp)
add_test(NAME test_window_arguments
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/window_arguments.sh $<TARGET_FILE:tessaly>
                 ${PROJECT_SOURCE_DIR}/packaging/man/tessaly.pod)
# res/tessaly_en.ts translates every marked text: brought up to date in a copy, it must not change.
tessaly_qt_test(test_language window_language_test.cpp)
add_test(NAME translations_complete
         COMMAND sh -c "cp \"$0/res/tessaly_en.ts\" \"$1\" && \"$0/scripts/update-translations\" \"$1\" && cmp \"$0/res/tessaly_en.ts\" \"$1\" && ! grep -n unfinished \"$1\""
                 ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_BINARY_DIR}/tessaly_en.ts)

# A real X server: the layout test maps the window there, with its caption and size.
find_program(XVFB_RUN xvfb-run)
if(XVFB_RUN)
  add_test(NAME test_window_x11 COMMAND ${XVFB_RUN} -a -s "-screen 0 800x600x24"
                                        $<TARGET_FILE:test_window> layoutFollowsTheTemplate)
  set_tests_properties(test_window_x11 PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=xcb" LABELS "x11")
  # Input that X delivers during a tick, which Qt may take only after the overdue timer.
  add_test(NAME test_acquire_x11 COMMAND ${XVFB_RUN} -a -s "-screen 0 1024x768x24"
                                         $<TARGET_FILE:test_acquire> menuAndAboutChosenDuringATick)
  set_tests_properties(test_acquire_x11 PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=xcb" LABELS "x11")
  # A stop signal closes the window as the operator would, status 0, though X's threads run by
  # then: the signals are held from before the first of them starts.
  add_test(NAME test_window_quit_x11 COMMAND ${XVFB_RUN} -a sh -c "for n in $(seq 10); do export \
TESSALY_COM$n=/nonexistent/com$n; done; \"$0\" -platform xcb & sleep 3; kill -TERM $!; wait $!"
                   $<TARGET_FILE:tessaly>)
  set_tests_properties(test_window_quit_x11 PROPERTIES LABELS "x11" TIMEOUT 30)
endif()

# Not a test: scripts/screenshots makes the README's pictures of the tool windows with it.
add_executable(diagnostics_screenshots ${PROJECT_SOURCE_DIR}/scripts/diagnostics_screenshots.cpp)
target_link_libraries(diagnostics_screenshots PRIVATE tessaly_ui tessaly_test_support Qt6::Test)
