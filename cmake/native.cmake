# Linux build of the portable code: unit tests under AddressSanitizer and UBSan, fuzzers and the
# developer benchmark.
option(TAVREL_SANITIZE "Build the native code with AddressSanitizer and UBSan" ON)
set(TAVREL_SAN_FLAGS -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)

find_package(nlohmann_json 3 REQUIRED)
add_subdirectory(/usr/src/googletest "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)

function(tavrel_sanitize target)
  if(TAVREL_SANITIZE)
    target_compile_options(${target} PRIVATE ${TAVREL_SAN_FLAGS})
    target_link_options(${target} PRIVATE ${TAVREL_SAN_FLAGS})
  endif()
endfunction()

add_library(tavrel_portable STATIC ${TAVREL_PORTABLE_SOURCES})
target_include_directories(tavrel_portable PUBLIC "${CMAKE_SOURCE_DIR}")
target_link_libraries(tavrel_portable PUBLIC md4c nlohmann_json::nlohmann_json)
target_compile_options(tavrel_portable PRIVATE -Wall -Wextra)
tavrel_sanitize(tavrel_portable)
tavrel_sanitize(md4c)

file(GLOB TAVREL_NATIVE_TESTS CONFIGURE_DEPENDS tests/portable/*.cpp)
add_executable(tavrel_portable_tests ${TAVREL_NATIVE_TESTS})
target_link_libraries(tavrel_portable_tests PRIVATE tavrel_portable GTest::gtest_main)
target_compile_definitions(tavrel_portable_tests PRIVATE
  TAVREL_TEST_DATA="${CMAKE_SOURCE_DIR}/tests/data" TAVREL_NOTICES="${TAVREL_NOTICES}")
add_dependencies(tavrel_portable_tests tavrel_notices)
tavrel_sanitize(tavrel_portable_tests)
tavrel_sanitize(gtest)
tavrel_sanitize(gtest_main)
include(cmake/gtest_shards.cmake)
tavrel_add_gtest(tavrel_portable_tests native.unit 4)

# Fuzzers need clang's libFuzzer; each tests/fuzz/NAME.cpp becomes fuzz_NAME, run for a bounded
# time by ctest.
set(TAVREL_FUZZ_SECONDS 20 CACHE STRING "Seconds each fuzzer runs under ctest")
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  file(GLOB TAVREL_FUZZERS CONFIGURE_DEPENDS tests/fuzz/*.cpp)
  foreach(src ${TAVREL_FUZZERS})
    get_filename_component(name ${src} NAME_WE)
    add_executable(fuzz_${name} ${src})
    target_link_libraries(fuzz_${name} PRIVATE tavrel_portable)
    target_compile_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
    tavrel_sanitize(fuzz_${name})
    # A 1 MiB stack, as a Windows thread gets by default, so recursion a real start would not
    # survive fails here too instead of hiding in Linux's 8 MiB.
    add_test(NAME fuzz.${name}
      COMMAND sh -c "ulimit -s 1024 && exec \"$0\" \"$@\"" $<TARGET_FILE:fuzz_${name}>
              -max_total_time=${TAVREL_FUZZ_SECONDS} -rss_limit_mb=4096 -max_len=65536
              -print_final_stats=0)
  endforeach()
endif()

file(GLOB TAVREL_BENCH_SOURCES CONFIGURE_DEPENDS bench/*.cpp)
list(FILTER TAVREL_BENCH_SOURCES EXCLUDE REGEX "_win\\.cpp$")  # Win64-only benchmarks
if(TAVREL_BENCH_SOURCES)
  include(cmake/bench.cmake OPTIONAL)
endif()

# The program's own heading ids, plain text and standalone pages for the renderer's browser tests.
add_executable(tavrel_render_tool tests/tools/render_tool.cpp)
target_link_libraries(tavrel_render_tool PRIVATE tavrel_portable)
tavrel_sanitize(tavrel_render_tool)

file(GLOB TAVREL_SCRIPT_TESTS CONFIGURE_DEPENDS tests/scripts/*.sh)
foreach(script ${TAVREL_SCRIPT_TESTS})
  get_filename_component(name ${script} NAME_WE)
  add_test(NAME script.${name} COMMAND bash ${script} "${CMAKE_BINARY_DIR}")
endforeach()
