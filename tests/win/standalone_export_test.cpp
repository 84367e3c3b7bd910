// The standalone page through the export command under Wine. The links of the test data were made
// on Linux and are committed as links; Wine shows them through its Z: drive as Windows shows
// symbolic links and junctions (Wine cannot make junctions itself). Only what lies inside the
// document's folder once every link is followed may reach the page.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "tests/win/app_window_fixture_win.h"
#include "ui/commands.h"
#include "web/standalone_html_win.h"

namespace tavrel::test {
namespace {

namespace fs = std::filesystem;

const fs::path kLinked = fs::path(TAVREL_TEST_DATA) / "export" / "linked";

using StandaloneExportTest = AppWindowTest;

TEST_F(StandaloneExportTest, LinksLeadingOutsideStayReferences) {
  ASSERT_TRUE(app_->open_path(kLinked / "doc" / "a.md"));
  save_path_ = (files_ / "a.html").native();
  app_->on_command(win::cmd_export_html);
  const std::string page = read_bytes(files_ / "a.html");
  const std::string expected = nlohmann::json(read_bytes(kLinked / "embedded.md")).dump();
  EXPECT_NE(page.find("\"text\":" + expected), std::string::npos)
      << page.substr(page.rfind("receive("));
}

TEST_F(StandaloneExportTest, ReaderDecidesOnFinalPaths) {
  const fs::path doc = kLinked / "doc";
  const win::ImageFileReader read = win::final_path_image_reader(doc);
  const std::pair<const char*, std::optional<std::string>> cases[] = {
      {"in.png", "IN"},       {"inlink.png", "IN"}, {"sub/../in.png", "IN"}, {"link.png", {}},
      {"dirlink/s2.png", {}}, {"sub/up.png", {}},   {"sublink/up.png", {}},  {"../secret.png", {}},
      {"loop.png", {}},       {"sub", {}},          {"none.png", {}},
  };
  for (const auto& [name, bytes] : cases) {
    SCOPED_TRACE(name);
    EXPECT_EQ(read(name), bytes);
  }
  // The folder reached through a link is judged by where it finally is, as its files are.
  EXPECT_EQ(win::final_path_image_reader(doc / "dirlink")("s2.png"), "S2");
}

}  // namespace
}  // namespace tavrel::test
