# Benchmarks through the window.
add_executable(bench_acquire acquire.cpp)
target_link_libraries(bench_acquire PRIVATE tessaly_operations tessaly_test_support Qt6::Test)
add_executable(bench_search search.cpp)
target_link_libraries(bench_search PRIVATE tessaly_operations tessaly_test_support Qt6::Test)
add_executable(bench_startup startup.cpp)
target_link_libraries(bench_startup PRIVATE tessaly_operations Qt6::Widgets)
