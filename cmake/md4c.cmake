# md4c from the Debian source tarball that the setup script unpacked (never vendored).
set(TAVREL_MD4C_DIR "${TAVREL_DEPS}/md4c" CACHE PATH "Unpacked md4c 0.5.2 source")
if(NOT EXISTS "${TAVREL_MD4C_DIR}/src/md4c.h")
  message(FATAL_ERROR "md4c source not found in ${TAVREL_MD4C_DIR}; run scripts/setup.sh")
endif()
add_library(md4c STATIC
  "${TAVREL_MD4C_DIR}/src/md4c.c"
  "${TAVREL_MD4C_DIR}/src/md4c-html.c"
  "${TAVREL_MD4C_DIR}/src/entity.c")
target_include_directories(md4c SYSTEM PUBLIC "${TAVREL_MD4C_DIR}/src")
set_target_properties(md4c PROPERTIES C_STANDARD 99 POSITION_INDEPENDENT_CODE ON)
