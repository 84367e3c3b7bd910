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

# Dear ImGui draws the dark colour picker; without it every theme asks with the system dialog.
set(TAVREL_IMGUI "${TAVREL_DEPS}/imgui")
if(EXISTS "${TAVREL_IMGUI}/imgui.h")
  add_library(imgui STATIC "${TAVREL_IMGUI}/imgui.cpp" "${TAVREL_IMGUI}/imgui_draw.cpp"
    "${TAVREL_IMGUI}/imgui_tables.cpp" "${TAVREL_IMGUI}/imgui_widgets.cpp"
    "${TAVREL_IMGUI}/backends/imgui_impl_win32.cpp" "${TAVREL_IMGUI}/backends/imgui_impl_dx11.cpp")
  target_include_directories(imgui SYSTEM PUBLIC "${TAVREL_IMGUI}" "${TAVREL_IMGUI}/backends")
  target_compile_options(imgui PRIVATE ${TAVREL_WIN_FLAGS} -w)
  # The picker has no use for a gamepad. With it, the backend loads XInput and frees it again when
  # the window closes, while XInput's own device thread (under Wine at least) keeps running in
  # the freed code and takes the process down.
  target_compile_definitions(imgui PRIVATE IMGUI_IMPL_WIN32_DISABLE_GAMEPAD)
  target_link_libraries(imgui PUBLIC d3d11 dxgi d3dcompiler dwmapi gdi32 user32 imm32)
  target_link_libraries(tavrel_lib PUBLIC imgui)
  target_compile_definitions(tavrel_lib PUBLIC TAVREL_HAVE_IMGUI=1)
else()
  message(WARNING "Dear ImGui not found in ${TAVREL_IMGUI}: the dark theme uses the system colour dialog")
endif()
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
add_dependencies(tavrel tavrel_icons tavrel_notices tavrel_renderer)
set_source_files_properties(resources/tavrel.rc PROPERTIES
  OBJECT_DEPENDS "${TAVREL_ICON_DIR}/app.ico;${TAVREL_ICON_DIR}/document.ico;${CMAKE_SOURCE_DIR}/resources/tavrel.manifest;${CMAKE_SOURCE_DIR}/resources/notices.rc;${TAVREL_NOTICES}")
get_filename_component(TAVREL_NOTICES_DIR "${TAVREL_NOTICES}" DIRECTORY)
target_include_directories(tavrel PRIVATE "${TAVREL_ICON_DIR}" "${CMAKE_SOURCE_DIR}/resources"
                           "${TAVREL_NOTICES_DIR}")

# One Win64 test executable: the portable tests once more, plus the Win32 tests.
file(GLOB TAVREL_WIN_TESTS CONFIGURE_DEPENDS tests/portable/*.cpp tests/win/*.cpp)
# The tests carry the notices resource too, so the Licenses page can be opened in-process.
add_executable(tavrel_win_tests ${TAVREL_WIN_TESTS} resources/notices.rc)
target_link_libraries(tavrel_win_tests PRIVATE tavrel_lib gtest)
# The tests live in a folder of their own, beside their test doubles: the program loads its
# WebView2 loader from its own folder, and build/win/tavrel.exe must never find the double.
set(TAVREL_TEST_BIN "${CMAKE_BINARY_DIR}/tests")
set_target_properties(tavrel_win_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${TAVREL_TEST_BIN}")

# Test doubles of the WebView2 loader (never shipped): one that stands in for the loader and the
# runtime behind it, beside the tests, and one without the expected export, in a folder apart.
add_library(fake_webview2 MODULE tests/win/fake_webview2/fake_webview2.cpp)
target_link_libraries(fake_webview2 PRIVATE tavrel_lib)
add_library(incompatible_webview2 MODULE tests/win/fake_webview2/incompatible_loader.cpp)
target_compile_options(incompatible_webview2 PRIVATE ${TAVREL_WIN_FLAGS})
set_target_properties(fake_webview2 PROPERTIES LIBRARY_OUTPUT_DIRECTORY "${TAVREL_TEST_BIN}")
set_target_properties(incompatible_webview2 PROPERTIES
  LIBRARY_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/incompatible-loader")
set_target_properties(fake_webview2 incompatible_webview2 PROPERTIES
  PREFIX "" OUTPUT_NAME WebView2Loader)
add_dependencies(tavrel_win_tests fake_webview2 incompatible_webview2)
target_include_directories(tavrel_win_tests PRIVATE "${TAVREL_NOTICES_DIR}")
set_source_files_properties(resources/notices.rc PROPERTIES OBJECT_DEPENDS "${TAVREL_NOTICES}")
add_dependencies(tavrel_win_tests tavrel_notices)
target_compile_definitions(tavrel_win_tests PRIVATE
  TAVREL_NOTICES="Z:${TAVREL_NOTICES}"
  TAVREL_TEST_DATA="Z:${CMAKE_SOURCE_DIR}/tests/data"
  TAVREL_EXE="Z:${CMAKE_BINARY_DIR}/tavrel.exe"
  TAVREL_INCOMPATIBLE_LOADER="Z:${CMAKE_BINARY_DIR}/incompatible-loader/WebView2Loader.dll"
  TAVREL_UPDATE_SERVER="Z:${CMAKE_BINARY_DIR}/update-server")
# The end-to-end tests start the real program.
add_dependencies(tavrel_win_tests tavrel)
include(cmake/gtest_shards.cmake)
tavrel_add_gtest(tavrel_win_tests wine.unit 4 DESKTOP_INPUT)

# The update check is tested against a local HTTPS server whose test CA the system store (which
# WinHTTP under Wine trusts) holds while the Wine tests run.
set(TAVREL_UPDATE_SERVER_COMMAND "${Python3_EXECUTABLE}"
    "${CMAKE_SOURCE_DIR}/tests/win/update_server.py")
add_test(NAME update_server.start
  COMMAND ${TAVREL_UPDATE_SERVER_COMMAND} start "${CMAKE_BINARY_DIR}/update-server")
add_test(NAME update_server.stop
  COMMAND ${TAVREL_UPDATE_SERVER_COMMAND} stop "${CMAKE_BINARY_DIR}/update-server")
set_tests_properties(update_server.start PROPERTIES FIXTURES_SETUP update_server)
set_tests_properties(update_server.stop PROPERTIES FIXTURES_CLEANUP update_server)
get_directory_property(TAVREL_WIN_TEST_NAMES TESTS)
list(FILTER TAVREL_WIN_TEST_NAMES INCLUDE REGEX "^wine\\.unit")
set_tests_properties(${TAVREL_WIN_TEST_NAMES} PROPERTIES FIXTURES_REQUIRED update_server)

# Developer benchmark of the UI thread's share of an edit (run under Wine or Windows; not shipped
# and not a test).
add_executable(tavrel_ui_bench bench/ui_edit_bench_win.cpp bench/bench_window_win.cpp bench/doc_generator.cpp)
target_link_libraries(tavrel_ui_bench PRIVATE tavrel_lib)
# The same for a long session: memory across edits, opening with many tabs open.
add_executable(tavrel_session_bench bench/session_bench_win.cpp bench/bench_window_win.cpp)
target_link_libraries(tavrel_session_bench PRIVATE tavrel_lib)
# And of one Vim or Emacs key in a small and in a huge document.
add_executable(tavrel_key_bench bench/key_modes_bench_win.cpp bench/bench_window_win.cpp bench/doc_generator.cpp)
target_link_libraries(tavrel_key_bench PRIVATE tavrel_lib)
# And of Replace all on a large document, on each road the control offers.
add_executable(tavrel_replace_bench bench/replace_all_bench_win.cpp bench/bench_window_win.cpp)
target_link_libraries(tavrel_replace_bench PRIVATE tavrel_lib)
# And of the RichEdit controls alone taking in a document (preview RTF, editor text).
add_executable(tavrel_fill_bench bench/richedit_fill_bench_win.cpp bench/bench_window_win.cpp)
target_link_libraries(tavrel_fill_bench PRIVATE tavrel_lib)

# The test stand-in of the web renderer beside the test executable (never shipped).
add_custom_command(TARGET tavrel_win_tests POST_BUILD COMMAND ${CMAKE_COMMAND} -E copy_directory
  "${CMAKE_SOURCE_DIR}/tests/fixtures/renderer" "$<TARGET_FILE_DIR:tavrel_win_tests>/renderer")
