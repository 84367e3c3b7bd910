// The standalone page: its assembly against golden pages (TAVREL_UPDATE_GOLDEN=1 rewrites them;
// review the diff), the inlining of local images and Base64.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/portable/test_support.h"
#include "web/standalone_html.h"

namespace tavrel::win {
namespace {

namespace fs = std::filesystem;

const fs::path kData = TAVREL_TEST_DATA;
const fs::path kRenderer = kData.parent_path() / "fixtures" / "renderer";

TEST(StandalonePage, MatchesGoldenPages) {
  test::TempDir profile;
  const std::string text = "# Tiếng Việt\n\n</script><b>x</b> & \"q\"\n";
  struct Case {
    const char* golden;
    const char* custom_css;  // nullptr: none
    bool vietnamese;
  } cases[] = {{"page_plain.html", nullptr, false}, {"page_custom_css.html", "main{}\n", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.golden);
    if (c.custom_css) test::write_bytes(profile / "custom.css", c.custom_css);
    const std::string page =
        build_standalone_page({kRenderer, profile.path(), c.vietnamese, text, {}});
    const fs::path golden = kData / "export" / c.golden;
    if (std::getenv("TAVREL_UPDATE_GOLDEN")) test::write_bytes(golden, page);
    EXPECT_EQ(test::read_bytes(golden), page);
  }
}

TEST(StandalonePage, NeedsBothRendererAssets) {
  test::TempDir renderer;
  test::write_bytes(renderer / "app.js", "x");
  EXPECT_EQ(test::error_text([&] {
              build_standalone_page({renderer.path(), renderer.path(), false, "", {}});
            }),
            "Optional renderer asset missing: app.css");
}

TEST(StandalonePage, EmbedsOnlyLocalImagesInsideTheFolder) {
  test::TempDir root;
  const fs::path doc = root / "doc";
  fs::create_directories(doc / "img");
  test::write_bytes(doc / "img" / "a.png", "PNG!");
  test::write_bytes(doc / "img" / "UP.PNG", "PNG!");
  test::write_bytes(doc / "b.jpeg", "J");
  test::write_bytes(root / "out.png", "PNG!");
  test::write_bytes(doc / "c:d.png", "PNG!");  // where file names may hold a colon
  test::write_bytes(doc / "img" / "my photo (1).png", "PNG!");
  test::write_bytes(doc / "100%.png", "PNG!");
  test::write_bytes(doc / "max.gif", std::string(kMaxEmbeddedImageBytes, 'g'));
  test::write_bytes(doc / "over.gif", std::string(kMaxEmbeddedImageBytes + 1, 'g'));
  const std::string a = "data:image/png;base64,UE5HIQ==";
  const std::string long_data = "![d](data:image/png;base64," + std::string(100000, 'A') + ")";
  struct Case {
    std::string markdown;
    std::string expected;
  } cases[] = {
      {"x ![alt](img/a.png) y", "x ![alt](" + a + ") y"},
      {"![](b.jpeg)![2](img/a.png)", "![](data:image/jpeg;base64,Sg==)![2](" + a + ")"},
      {"![[a](img/a.png)", "![[a](" + a + ")"},  // alt text runs to the first "]"
      {"```\n![c](img/a.png)\n```", "```\n![c](" + a + ")\n```"},
      {"![a]b](img/a.png)", "![a]b](img/a.png)"},
      {"![a]()![b](img/a.png", "![a]()![b](img/a.png"},
      {"![o](../out.png)", "![o](../out.png)"},
      {"![o](img/../../out.png)", "![o](img/../../out.png)"},
      {"![s](C:/doc/img/a.png) ![h](http://h/a.png)",
       "![s](C:/doc/img/a.png) ![h](http://h/a.png)"},
      {"![u](img/UP.PNG) ![m](img/none.png) ![t](img/a.png \"t\")",
       "![u](img/UP.PNG) ![m](img/none.png) ![t](img/a.png \"t\")"},
      {"![o](over.gif) ![c](c:d.png)", "![o](over.gif) ![c](c:d.png)"},
      {long_data, long_data},
      // Links are written percent-encoded; the file is found by its decoded name.
      {"![p](img/my%20photo%20%281%29.png)", "![p](" + a + ")"},
      {"![p](100%25.png) ![q](100%.png) ![r](100%2.png)",  // a "%" without hex digits stays
       "![p](" + a + ") ![q](" + a + ") ![r](100%2.png)"},
      {"![o](img/%2E%2E/%2E%2E/out.png) ![o](%2E%2E%2Fout.png)",
       "![o](img/%2E%2E/%2E%2E/out.png) ![o](%2E%2E%2Fout.png)"},
      {"![c](c%3Ad.png) ![x](img%2Fa.PNG)", "![c](c%3Ad.png) ![x](img%2Fa.PNG)"},
      {"![h](img%2fa%2Epng) ![i](img%2Fa%2epng)", "![h](" + a + ") ![i](" + a + ")"},
      {"![g](img%2Ga.png) ![j](b.%6Apeg)", "![g](img%2Ga.png) ![j](data:image/jpeg;base64,Sg==)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.markdown.substr(0, 60));
    EXPECT_EQ(embed_images(c.markdown, doc), c.expected);
    EXPECT_EQ(embed_images(c.markdown, {}), c.markdown);  // untitled: nothing is embedded
  }
  const std::string max = embed_images("![m](max.gif)", doc);
  EXPECT_EQ(max.size(), 5 + 22 + (kMaxEmbeddedImageBytes + 2) / 3 * 4 + 1);
  EXPECT_EQ(max.substr(0, 27), "![m](data:image/gif;base64,");
}

TEST(Base64, KnownVectors) {
  const std::pair<std::string, std::string> vectors[] = {
      {"", ""},
      {"f", "Zg=="},
      {"fo", "Zm8="},
      {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="},
      {"foobar", "Zm9vYmFy"},
      {test::bytes({0xFF, 0xFE, 0x00, 0x3E}), "//4APg=="},
  };
  for (const auto& [in, out] : vectors) EXPECT_EQ(base64_encode(in), out);
}

}  // namespace
}  // namespace tavrel::win
