# vk_add_fuzz_target(name SOURCES ... INCLUDES ... LIBS ... SEEDS ...)
# With clang: a libFuzzer binary (ASan, UBSan) built from the listed sources, run briefly by
# the test suite on the seeds. Without clang: a plain driver runs the same target on seeded
# mutations (LIBS link the code under test), so the target stays built and exercised.
find_program(VK_CLANGXX NAMES clang++ clang++-14)

function(vk_add_fuzz_target name)
  cmake_parse_arguments(F "" "" "SOURCES;INCLUDES;LIBS;SEEDS" ${ARGN})
  if(VK_CLANGXX)
    set(dir ${CMAKE_CURRENT_BINARY_DIR}/libfuzzer)
    set(corpus ${CMAKE_CURRENT_BINARY_DIR}/corpus/${name})
    file(MAKE_DIRECTORY ${dir})
    set(out ${dir}/${name})
    set(includes)
    foreach(i ${F_INCLUDES})
      list(APPEND includes -I${i})
    endforeach()
    add_custom_command(OUTPUT ${out}
      COMMAND ${VK_CLANGXX} -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined ${includes} ${F_SOURCES} -o ${out}
      DEPENDS ${F_SOURCES}
      COMMENT "Building the libFuzzer target ${name} with clang"
      VERBATIM)
    add_custom_target(${name} ALL DEPENDS ${out})
    # A fresh corpus folder each run keeps the smoke run's length fixed.
    set(command sh -c "rm -rf '${corpus}' && mkdir -p '${corpus}' && exec '${out}' -runs=4000 -seed=1 -max_len=16384 -timeout=10 '${corpus}' '${F_SEEDS}'")
  else()
    list(GET F_SOURCES 0 target_source)
    add_executable(${name}_driver ${CMAKE_CURRENT_SOURCE_DIR}/driver.cpp ${target_source})
    target_include_directories(${name}_driver PRIVATE ${F_INCLUDES})
    target_link_libraries(${name}_driver PRIVATE ${F_LIBS})
    set(command ${name}_driver ${F_SEEDS})
  endif()
  if(VK_BUILD_TESTS)
    add_test(NAME fuzz.${name}.smoke COMMAND ${command})
    set_tests_properties(fuzz.${name}.smoke PROPERTIES LABELS unit)
  endif()
endfunction()
