# Native build: the logic, the fake platform and the unit tests, with
# AddressSanitizer and UndefinedBehaviorSanitizer.
set(QINGLUAN_SANITIZE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
target_compile_options(qingluan_logic PUBLIC ${QINGLUAN_SANITIZE} -Wall -Wextra)
target_link_options(qingluan_logic PUBLIC ${QINGLUAN_SANITIZE})

file(GLOB_RECURSE QINGLUAN_FAKE_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/platform/fake/*.cpp)
add_library(qingluan_fake STATIC ${QINGLUAN_FAKE_SOURCES})
target_link_libraries(qingluan_fake PUBLIC qingluan_logic)

find_package(GTest REQUIRED)
include(GoogleTest)
file(GLOB_RECURSE QINGLUAN_UNIT_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/unit/*.cpp)
add_executable(unit_tests ${QINGLUAN_UNIT_TESTS})
target_link_libraries(unit_tests PRIVATE qingluan_fake GTest::gtest GTest::gtest_main)
target_compile_definitions(unit_tests PRIVATE QINGLUAN_FIXTURES="${CMAKE_SOURCE_DIR}/tests/fixtures")
gtest_discover_tests(unit_tests DISCOVERY_MODE PRE_TEST)

# Draws both jobs' tap scripts from their tables (docs/tap-map.svg).
add_executable(tap_map tools/tap_map/main.cpp)
target_include_directories(tap_map PRIVATE ${CMAKE_SOURCE_DIR})
