# Win64 product and its test executable, cross-compiled with MinGW-w64 and fully static.
set(TAVREL_WIN_FLAGS -municode -DUNICODE -D_UNICODE -DWIN32_LEAN_AND_MEAN -DNOMINMAX
    -D_WIN32_WINNT=0x0A00 -DWINVER=0x0A00)
add_compile_options(-Wall -Wextra)
add_link_options(-static -municode)

add_subdirectory(/usr/src/googletest "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)

file(GLOB TAVREL_WIN_SOURCES CONFIGURE_DEPENDS
  core/*_win.cpp render/*_win.cpp ui/*_win.cpp web/*_win.cpp update/*_win.cpp
  selftest/*_win.cpp)
# The entry point lives in its own file so that the test executable can link everything else.
list(FILTER TAVREL_WIN_SOURCES EXCLUDE REGEX "/entry_win\\.cpp$")
set(TAVREL_WIN_LIBS comctl32 shell32 ole32 oleaut32 uuid uxtheme dwmapi gdiplus winhttp
    comdlg32 winspool shlwapi crypt32 imm32 d3d11 dxgi d3dcompiler gdi32 user32 advapi32)

add_library(tavrel_lib STATIC ${TAVREL_PORTABLE_SOURCES} ${TAVREL_WIN_SOURCES})
target_include_directories(tavrel_lib PUBLIC "${CMAKE_SOURCE_DIR}")
target_include_directories(tavrel_lib SYSTEM PUBLIC "${TAVREL_DEPS}/mingw-include")
target_compile_options(tavrel_lib PUBLIC ${TAVREL_WIN_FLAGS})
target_link_libraries(tavrel_lib PUBLIC md4c ${TAVREL_WIN_LIBS})

# Icons are drawn by our own generator at build time.
set(TAVREL_ICON_DIR "${CMAKE_BINARY_DIR}/icons")
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_custom_command(
  OUTPUT "${TAVREL_ICON_DIR}/app.ico" "${TAVREL_ICON_DIR}/document.ico"
  COMMAND Python3::Interpreter "${CMAKE_SOURCE_DIR}/resources/make_icons.py" "${TAVREL_ICON_DIR}"
  DEPENDS "${CMAKE_SOURCE_DIR}/resources/make_icons.py")
add_custom_target(tavrel_icons DEPENDS "${TAVREL_ICON_DIR}/app.ico" "${TAVREL_ICON_DIR}/document.ico")

add_executable(tavrel WIN32 core/entry_win.cpp resources/tavrel.rc)
target_link_libraries(tavrel PRIVATE tavrel_lib)
add_dependencies(tavrel tavrel_icons)
set_source_files_properties(resources/tavrel.rc PROPERTIES
  OBJECT_DEPENDS "${TAVREL_ICON_DIR}/app.ico;${TAVREL_ICON_DIR}/document.ico;${CMAKE_SOURCE_DIR}/resources/tavrel.manifest")
target_include_directories(tavrel PRIVATE "${TAVREL_ICON_DIR}" "${CMAKE_SOURCE_DIR}/resources")

# One Win64 test executable: the portable tests once more, plus the Win32 tests.
file(GLOB TAVREL_WIN_TESTS CONFIGURE_DEPENDS tests/portable/*.cpp tests/win/*.cpp)
add_executable(tavrel_win_tests ${TAVREL_WIN_TESTS})
target_link_libraries(tavrel_win_tests PRIVATE tavrel_lib gtest)
target_compile_definitions(tavrel_win_tests PRIVATE
  TAVREL_TEST_DATA="Z:${CMAKE_SOURCE_DIR}/tests/data"
  TAVREL_EXE="Z:${CMAKE_BINARY_DIR}/tavrel.exe")
# The end-to-end tests start the real program.
add_dependencies(tavrel_win_tests tavrel)
include(cmake/gtest_shards.cmake)
tavrel_add_gtest(tavrel_win_tests wine.unit 4)

# Developer benchmark of the UI thread's share of an edit (run under Wine or Windows; not shipped
# and not a test).
add_executable(tavrel_ui_bench bench/ui_edit_bench_win.cpp bench/doc_generator.cpp)
target_link_libraries(tavrel_ui_bench PRIVATE tavrel_lib)

# The test stand-in of the web renderer beside the test executable (never shipped).
add_custom_command(TARGET tavrel_win_tests POST_BUILD COMMAND ${CMAKE_COMMAND} -E copy_directory
  "${CMAKE_SOURCE_DIR}/tests/fixtures/renderer" "$<TARGET_FILE_DIR:tavrel_win_tests>/renderer")
