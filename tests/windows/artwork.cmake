# The committed artwork: redrawn by its generator it must come out the same, and each file must be
# what the window toolkit and the desktop expect to read.
find_package(Qt6 REQUIRED COMPONENTS Gui)
add_executable(artwork_tests ${CMAKE_CURRENT_LIST_DIR}/artwork_test.cpp)
cmake_path(SET quorvel_artwork_dir NORMALIZE "${CMAKE_CURRENT_LIST_DIR}/../../windows/resources")
target_compile_definitions(artwork_tests PRIVATE
  QUORVEL_MAKE_ARTWORK="$<TARGET_FILE:make_artwork>"
  QUORVEL_ARTWORK_DIR="${quorvel_artwork_dir}")
target_link_libraries(artwork_tests PRIVATE Qt6::Gui GTest::gtest_main)
add_dependencies(artwork_tests make_artwork)
gtest_discover_tests(artwork_tests DISCOVERY_MODE PRE_TEST)
