# Host build: the portable core with its unit tests, fuzzers and benchmarks.
find_package(GTest REQUIRED)
include(GoogleTest)

option(TARVEX_SANITIZE "Build the native tree with AddressSanitizer and UBSan" ON)
if(TARVEX_SANITIZE)
  target_compile_options(tarvex_core PUBLIC -fsanitize=address,undefined -fno-omit-frame-pointer)
  target_link_options(tarvex_core PUBLIC -fsanitize=address,undefined)
endif()

file(GLOB_RECURSE UNIT_SOURCES CONFIGURE_DEPENDS tests/unit/*.cpp)
file(GLOB SUPPORT_SOURCES CONFIGURE_DEPENDS tests/support/*.cpp)
add_executable(unit_tests ${UNIT_SOURCES} ${SUPPORT_SOURCES})
target_include_directories(unit_tests PRIVATE tests)
target_link_libraries(unit_tests PRIVATE tarvex_core GTest::gtest_main)
gtest_discover_tests(unit_tests TEST_PREFIX "unit." DISCOVERY_TIMEOUT 30)

# Benchmarks are built, not run by ctest; tools/bench runs them.
find_package(benchmark QUIET)
if(benchmark_FOUND)
  file(GLOB BENCH_SOURCES CONFIGURE_DEPENDS tests/bench/*_bench.cpp)
  if(BENCH_SOURCES)
    # Benchmarks measure optimised code without sanitizers.
    add_library(tarvex_core_bench STATIC ${CORE_SOURCES})
    target_include_directories(tarvex_core_bench PUBLIC src ${CMAKE_BINARY_DIR}/generated)
    target_compile_options(tarvex_core_bench PRIVATE -O2)
    add_executable(benchmarks ${BENCH_SOURCES})
    target_compile_options(benchmarks PRIVATE -O2)
    target_link_libraries(benchmarks PRIVATE tarvex_core_bench benchmark::benchmark benchmark::benchmark_main)
  endif()
endif()

# libFuzzer targets need clang; each is built from its target file and the core
# sources it names, and ctest runs it for a bounded time over the kept corpus.
find_program(CLANGXX clang++)
set(TARVEX_FUZZ_SECONDS 20 CACHE STRING "Seconds each fuzzer runs under ctest")
function(tarvex_add_fuzzer name)
  if(NOT CLANGXX)
    return()
  endif()
  set(sources ${CMAKE_SOURCE_DIR}/tests/fuzz/${name}.cpp)
  foreach(s IN LISTS ARGN)
    list(APPEND sources ${CMAKE_SOURCE_DIR}/${s})
  endforeach()
  set(out ${CMAKE_BINARY_DIR}/fuzz/${name})
  add_custom_command(OUTPUT ${out}
    COMMAND ${CLANGXX} -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined
            -fno-sanitize-recover=all -I${CMAKE_SOURCE_DIR}/src -I${CMAKE_BINARY_DIR}/generated
            ${sources} -o ${out}
    DEPENDS ${sources}
    COMMENT "Building fuzzer ${name}" VERBATIM)
  add_custom_target(fuzz_${name} ALL DEPENDS ${out})
  set(corpus ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/${name})
  set(work ${CMAKE_BINARY_DIR}/fuzz/${name}_corpus)
  add_test(NAME fuzz.${name}
    COMMAND sh -c "mkdir -p '${work}' && exec '${out}' -max_total_time=${TARVEX_FUZZ_SECONDS} -timeout=2 -rss_limit_mb=2048 -print_final_stats=1 '${work}' '${corpus}'")
endfunction()
include(tests/fuzz/fuzzers.cmake OPTIONAL)
