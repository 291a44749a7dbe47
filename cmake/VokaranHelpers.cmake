# The installation folder the build assembles: executables beside datafiles/, PKData/,
# Record/ and Temp/, so the built module runs in place.
set(VK_DIST_DIR ${CMAKE_BINARY_DIR}/dist)
file(MAKE_DIRECTORY ${VK_DIST_DIR} ${VK_DIST_DIR}/Record ${VK_DIST_DIR}/Temp)

# vk_dist_executable(target): the executable lands in build/dist/.
function(vk_dist_executable target)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${VK_DIST_DIR})
endfunction()

# vk_add_gtest(name SOURCES ... LIBS ... [LABELS unit|integration|slow])
# One GoogleTest executable per library; tests link the libraries, never re-list sources.
function(vk_add_gtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT T_LABELS)
    set(T_LABELS unit)
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    VK_TEST_DATA_DIR="${CMAKE_SOURCE_DIR}/tests/data"
    VK_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    VK_DIST_DIR="${VK_DIST_DIR}")
  # Parameterised tests are named by their name generators, never by a dump of the value.
  gtest_discover_tests(${name}
    NO_PRETTY_VALUES
    PROPERTIES LABELS "${T_LABELS}"
    DISCOVERY_TIMEOUT 60)
endfunction()
