# SPDX-License-Identifier: GPL-3.0-or-later
# Benchmarks through the window.
add_executable(bench_acquire acquire.cpp)
target_link_libraries(bench_acquire PRIVATE tessaly_ui tessaly_test_support Qt6::Test)
add_executable(bench_search search.cpp)
target_link_libraries(bench_search PRIVATE tessaly_ui tessaly_test_support Qt6::Test)
add_executable(bench_startup startup.cpp)
target_link_libraries(bench_startup PRIVATE tessaly_ui Qt6::Widgets)
add_executable(bench_soak soak.cpp)
target_link_libraries(bench_soak PRIVATE tessaly_ui tessaly_test_support Qt6::Test)
add_executable(bench_diagnostics diagnostics.cpp)
target_link_libraries(bench_diagnostics PRIVATE tessaly_ui tessaly_test_support Qt6::Test)
