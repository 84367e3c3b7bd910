# The web renderer, the page of the advanced preview, the visual editor and standalone HTML files:
# index.html, app.css and app.js in "renderer" beside the program. app.js is the page's own script
# with markdown-it bundled in from Debian's packages, so the page loads nothing from elsewhere.
find_program(TAVREL_ESBUILD esbuild REQUIRED)
set(TAVREL_NODE_PATH /usr/share/nodejs CACHE PATH "Folder of the JavaScript packages bundled into app.js")
set(TAVREL_RENDERER_SOURCE "${CMAKE_SOURCE_DIR}/web/renderer")
set(TAVREL_RENDERER_DIR "${CMAKE_BINARY_DIR}/renderer")
file(GLOB TAVREL_RENDERER_SCRIPTS CONFIGURE_DEPENDS "${TAVREL_RENDERER_SOURCE}/src/*.js")
add_custom_command(
  OUTPUT "${TAVREL_RENDERER_DIR}/app.js"
  COMMAND ${CMAKE_COMMAND} -E env "NODE_PATH=${TAVREL_NODE_PATH}"
          "${TAVREL_ESBUILD}" "${TAVREL_RENDERER_SOURCE}/src/main.js" --bundle --format=iife
          --minify --charset=utf8 --log-level=warning "--outfile=${TAVREL_RENDERER_DIR}/app.js"
  DEPENDS ${TAVREL_RENDERER_SCRIPTS}
  VERBATIM)
add_custom_command(
  OUTPUT "${TAVREL_RENDERER_DIR}/index.html" "${TAVREL_RENDERER_DIR}/app.css"
  COMMAND ${CMAKE_COMMAND} -E copy "${TAVREL_RENDERER_SOURCE}/index.html"
          "${TAVREL_RENDERER_SOURCE}/app.css" "${TAVREL_RENDERER_DIR}"
  DEPENDS "${TAVREL_RENDERER_SOURCE}/index.html" "${TAVREL_RENDERER_SOURCE}/app.css"
  VERBATIM)
add_custom_target(tavrel_renderer ALL DEPENDS "${TAVREL_RENDERER_DIR}/app.js"
                  "${TAVREL_RENDERER_DIR}/index.html" "${TAVREL_RENDERER_DIR}/app.css")
