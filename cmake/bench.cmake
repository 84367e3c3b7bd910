# Developer benchmark of the render path (native build only, never shipped). Timings of sanitized
# code say nothing, so the benchmark links its own optimised, uninstrumented copies of the portable
# code and of md4c, and md2html is built from that same md4c source for the comparison.
set(TAVREL_BENCH_FLAGS -O2)

# Find and replace has a benchmark of its own.
list(FILTER TAVREL_BENCH_SOURCES EXCLUDE REGEX "/find_bench\\.cpp$")

# md2html prints the version it was built from; take it from md4c's own build file.
file(STRINGS "${TAVREL_MD4C_DIR}/CMakeLists.txt" _md4c_version_lines
     REGEX "^set\\(MD_VERSION_(MAJOR|MINOR|RELEASE) [0-9]+\\)")
set(TAVREL_MD4C_VERSION_DEFINES "")
foreach(_line ${_md4c_version_lines})
  string(REGEX REPLACE "^set\\((MD_VERSION_[A-Z]+) ([0-9]+)\\)$" "\\1=\\2" _define "${_line}")
  list(APPEND TAVREL_MD4C_VERSION_DEFINES "${_define}")
endforeach()

add_library(md4c_fast STATIC
  "${TAVREL_MD4C_DIR}/src/md4c.c"
  "${TAVREL_MD4C_DIR}/src/md4c-html.c"
  "${TAVREL_MD4C_DIR}/src/entity.c")
target_include_directories(md4c_fast SYSTEM PUBLIC "${TAVREL_MD4C_DIR}/src")
target_compile_definitions(md4c_fast PRIVATE MD4C_USE_UTF8 ${TAVREL_MD4C_VERSION_DEFINES})
target_compile_options(md4c_fast PRIVATE ${TAVREL_BENCH_FLAGS})
set_target_properties(md4c_fast PROPERTIES C_STANDARD 99)

add_library(tavrel_portable_fast STATIC ${TAVREL_PORTABLE_SOURCES})
target_include_directories(tavrel_portable_fast PUBLIC "${CMAKE_SOURCE_DIR}")
target_link_libraries(tavrel_portable_fast PUBLIC md4c_fast nlohmann_json::nlohmann_json)
target_compile_options(tavrel_portable_fast PRIVATE -Wall -Wextra ${TAVREL_BENCH_FLAGS})

add_executable(md2html
  "${TAVREL_MD4C_DIR}/md2html/md2html.c"
  "${TAVREL_MD4C_DIR}/md2html/cmdline.c")
target_compile_definitions(md2html PRIVATE ${TAVREL_MD4C_VERSION_DEFINES})
target_compile_options(md2html PRIVATE ${TAVREL_BENCH_FLAGS})
target_link_libraries(md2html PRIVATE md4c_fast)
set_target_properties(md2html PROPERTIES C_STANDARD 99)

add_executable(tavrel_render_bench ${TAVREL_BENCH_SOURCES})
target_link_libraries(tavrel_render_bench PRIVATE tavrel_portable_fast)
target_compile_options(tavrel_render_bench PRIVATE -Wall -Wextra ${TAVREL_BENCH_FLAGS})
# The benchmark finds md2html beside itself.
set_target_properties(tavrel_render_bench md2html PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}")

add_test(NAME bench.smoke
  COMMAND bash "${CMAKE_SOURCE_DIR}/bench/smoke_test.sh" $<TARGET_FILE:tavrel_render_bench>
          "${CMAKE_BINARY_DIR}/bench-smoke")
set_tests_properties(bench.smoke PROPERTIES TIMEOUT 120)

add_executable(tavrel_find_bench bench/find_bench.cpp)
target_link_libraries(tavrel_find_bench PRIVATE tavrel_portable_fast)
target_compile_options(tavrel_find_bench PRIVATE -Wall -Wextra ${TAVREL_BENCH_FLAGS})
set_target_properties(tavrel_find_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}")
add_test(NAME bench.find_smoke
  COMMAND tavrel_find_bench --runs 1 --pattern "(\\w+)\\s+\\1" "${CMAKE_SOURCE_DIR}/README.md")
