# The third-party notices embedded in the program, assembled from the installed licence files.
set(TAVREL_NOTICES "${CMAKE_BINARY_DIR}/generated/notices.txt")
set(TAVREL_NOTICE_SOURCES
  "nlohmann/json=/usr/share/doc/nlohmann-json3-dev/copyright"
  "Boost=/usr/share/doc/libboost1.81-dev/copyright"
  "MD4C=${TAVREL_DEPS}/md4c/LICENSE.md"
  "MinGW-w64 runtime=/usr/share/doc/mingw-w64-common/copyright"
  "GCC runtime libraries (libgcc, libstdc++, winpthreads use)=/usr/share/doc/gcc-mingw-w64-x86-64-posix-runtime/copyright"
  "markdown-it (with linkify-it, mdurl and uc.micro)=/usr/share/doc/node-markdown-it/copyright"
  "punycode=/usr/share/doc/node-punycode/copyright"
  "?Dear ImGui=${TAVREL_DEPS}/imgui/LICENSE.txt")
set(TAVREL_NOTICE_FILES "")
foreach(item IN LISTS TAVREL_NOTICE_SOURCES)
  string(REGEX REPLACE "^[^=]*=" "" file "${item}")
  if(EXISTS "${file}")
    list(APPEND TAVREL_NOTICE_FILES "${file}")
  endif()
endforeach()
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_custom_command(
  OUTPUT "${TAVREL_NOTICES}"
  COMMAND Python3::Interpreter "${CMAKE_SOURCE_DIR}/resources/make_notices.py" "${TAVREL_NOTICES}"
          ${TAVREL_NOTICE_SOURCES}
  DEPENDS "${CMAKE_SOURCE_DIR}/resources/make_notices.py" ${TAVREL_NOTICE_FILES}
  VERBATIM)
add_custom_target(tavrel_notices DEPENDS "${TAVREL_NOTICES}")
