// The program's own Markdown results for the browser tests of the web renderer, from the code the
// program runs: heading ids, plain text, HTML and the standalone HTML page.
//   render_tool ids FILE             one heading id per line
//   render_tool plain FILE           the plain-text export
//   render_tool html FILE            the HTML the program makes of FILE
//   render_tool page FILE RENDERER   the standalone page (images from FILE's folder) on stdout
#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>

#include "render/markdown_model.h"
#include "web/standalone_html.h"

namespace {

using namespace tavrel::win;

int run(int argc, char** argv) {
  const std::string command = argc > 2 ? argv[1] : "";
  if (command.empty() || (command == "page" && argc < 4)) {
    std::cerr << "usage: render_tool ids|plain|html|page FILE [RENDERER]\n";
    return 2;
  }
  const std::filesystem::path file = argv[2];
  const std::string text = read_whole_file(file);
  if (command == "ids") {
    for (const Heading& heading : render_markdown(text).headings) std::cout << heading.id << '\n';
  } else if (command == "plain") {
    std::cout << render_markdown(text).plain_text;
  } else if (command == "html") {
    std::cout << render_markdown(text).html;
  } else if (command == "page") {
    const auto folder = std::filesystem::absolute(file).parent_path();
    std::cout << build_standalone_page({argv[3], "", false, text, folder});
  } else {
    std::cerr << "render_tool: unknown command " << command << '\n';
    return 2;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(argc, argv);
  } catch (const std::exception& error) {
    std::cerr << "render_tool: " << error.what() << '\n';
    return 1;
  }
}
