// The standalone page: its assembly against golden pages (TAVREL_UPDATE_GOLDEN=1 rewrites them;
// review the diff), the inlining of local images and Base64.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "render/image_addresses.h"
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
  test::write_bytes(doc / "7%A.png", "PNG!");
  test::write_bytes(doc / "notes", "text");
  test::write_bytes(doc / "notes%00.png", "PNG!");
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
      {"![[a](img/a.png)", "![[a](img/a.png)"},  // a link after "![", not an image
      {"![a]b](img/a.png)", "![a]b](img/a.png)"},
      {"![a]()![b](img/a.png", "![a]()![b](img/a.png"},
      {"![o](../out.png)", "![o](../out.png)"},
      {"![o](img/../../out.png)", "![o](img/../../out.png)"},
      {"![r](//host/share/a.png) ![q](/img/a.png)", "![r](//host/share/a.png) ![q](/img/a.png)"},
      {"![s](C:/doc/img/a.png) ![h](http://h/a.png)",
       "![s](C:/doc/img/a.png) ![h](http://h/a.png)"},
      {"![u](img/UP.PNG) ![m](img/none.png)", "![u](img/UP.PNG) ![m](img/none.png)"},
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
      {"![k](b.%6apeg) ![s](7%A.png)", "![k](data:image/jpeg;base64,Sg==) ![s](" + a + ")"},
      // A NUL names no file: neither the name before it nor the escape as written is taken.
      {"![n](notes%00.png)", "![n](notes%00.png)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.markdown.substr(0, 60));
    EXPECT_EQ(embed_images(c.markdown, folder_image_reader(doc)), c.expected);
    EXPECT_EQ(embed_images(c.markdown, nullptr), c.markdown);  // untitled: nothing is embedded
  }
  const std::string max = embed_images("![m](max.gif)", folder_image_reader(doc));
  EXPECT_EQ(max.size(), 5 + 22 + (kMaxEmbeddedImageBytes + 2) / 3 * 4 + 1);
  EXPECT_EQ(max.substr(0, 27), "![m](data:image/gif;base64,");
}

// The document text the page hands to the renderer.
std::string page_text(const std::string& page) {
  const std::string open = "Tavrel.receive(";
  const size_t begin = page.rfind(open) + open.size();
  const size_t end = page.rfind(");</script>");
  return nlohmann::json::parse(page.substr(begin, end - begin)).at("text").get<std::string>();
}

TEST(StandalonePage, CodeKeepsItsBytes) {
  test::TempDir doc;
  test::write_bytes(doc / "pic.png", "PNG!");
  const std::string code =
      "```\n![logo](pic.png)\n```\n\n    ![logo](pic.png)\n\n`![logo](pic.png)`\n\n";
  const std::string page = build_standalone_page(
      {kRenderer, doc.path(), false, code + "![logo](pic.png)\n", doc.path()});
  EXPECT_EQ(page_text(page), code + "![logo](data:image/png;base64,UE5HIQ==)\n");
}

TEST(StandalonePage, EmbedsWhereTheParserReadsAnImage) {
  test::TempDir root;
  const fs::path doc = root / "doc";
  fs::create_directories(doc / "img");
  test::write_bytes(doc / "img" / "a.png", "PNG!");
  test::write_bytes(doc / "img" / "my photo (1).png", "PNG!");
  test::write_bytes(doc / "img\\b.png", "PNG!");  // a separator on Windows, a name elsewhere
  test::write_bytes(doc / ".\\img\\a.png", "PNG!");
  const std::string a = "data:image/png;base64,UE5HIQ==";
  const std::pair<std::string, std::string> cases[] = {
      {"![a](img/a.png \"A title\")", "![a](" + a + " \"A title\")"},
      {"![a](img/a.png 'x') ![b](img/a.png (y))", "![a](" + a + " 'x') ![b](" + a + " (y))"},
      {"![a](<img/a.png>) ![p](<img/my photo (1).png>)", "![a](<" + a + ">) ![p](<" + a + ">)"},
      {"![a][r] ![b][] ![r]\n\n[r]: img/a.png \"t\"\n[b]: <img/a.png>\n",
       "![a][r] ![b][] ![r]\n\n[r]: " + a + " \"t\"\n[b]: <" + a + ">\n"},
      {"[l][r] [m](img/a.png)\n\n[r]: img/a.png\n", "[l][r] [m](img/a.png)\n\n[r]: img/a.png\n"},
      {"[![a](img/a.png)](img/a.png)", "[![a](" + a + ")](img/a.png)"},
      {"> - ![a](img/a.png)\n>   ![b](\n>   img/a.png)",
       "> - ![a](" + a + ")\n>   ![b](\n>   " + a + ")"},
      {"| x |\n|---|\n| ![a](img/a.png) `![b](img/a.png)` |",
       "| x |\n|---|\n| ![a](" + a + ") `![b](img/a.png)` |"},
      {"---\nimage: ![f](img/a.png)\n---\n![b](img/a.png)",
       "---\nimage: ![f](img/a.png)\n---\n![b](" + a + ")"},
      // The parser reads an image inside another one's address: neither is replaced.
      {"![![](![]()](img/a.png))", "![![](![]()](img/a.png))"},
      {"$![m](img/a.png)$ <img src=\"img/a.png\"> \\![e](img/a.png)",
       "$![m](img/a.png)$ <img src=\"img/a.png\"> \\![e](img/a.png)"},
      // A backslash that escapes nothing is a separator on Windows; an escape or an entity in
      // the address cannot be placed exactly, so that address stays as written.
      {"![w](img\\b.png) `x\\y` ![e](img\\/a.png) ![n](img/a&#46;png)",
       "![w](" + a + ") `x\\y` ![e](img\\/a.png) ![n](img/a&#46;png)"},
      {"![d](.\\img\\a.png) \\`![w](img\\b.png)`", "![d](" + a + ") \\`![w](" + a + ")`"},
  };
  for (const auto& [markdown, expected] : cases) {
    SCOPED_TRACE(markdown);
    EXPECT_EQ(embed_images(markdown, folder_image_reader(doc)), expected);
  }
}

// A reference definition that a link uses too keeps its address for the link; each of its images
// gets an inline data: address with the definition's title instead, whatever form its reference
// takes and however the label's letters are cased.
TEST(StandalonePage, LinksKeepTheAddressTheyShareWithImages) {
  test::TempDir doc;
  fs::create_directories(doc / "img");
  test::write_bytes(doc / "img" / "a.png", "PNG!");
  test::write_bytes(doc / "img\\b.png", "PNG!");  // a separator on Windows, a name elsewhere
  const std::string a = "data:image/png;base64,UE5HIQ==";
  const std::pair<std::string, std::string> cases[] = {
      {"![a][r] and [link][r]\n\n[r]: img/a.png\n",
       "![a](" + a + ") and [link][r]\n\n[r]: img/a.png\n"},
      {"![a][R] [l][r]\n\n[r]: img/a.png \"T\"\n",
       "![a](" + a + " \"T\") [l][r]\n\n[r]: img/a.png \"T\"\n"},
      {"![r] [r]\n\n[r]: img/a.png\n", "![r](" + a + ") [r]\n\n[r]: img/a.png\n"},
      {"![r][] [R][]\n\n[r]: <img/a.png> 'x \"y\" | &amp; \\&amp;'\n",
       "![r](" + a +
           " \"x \\\"y\\\" \\| &amp; \\&amp\\;\") [R][]\n\n[r]: <img/a.png> 'x \"y\" | &amp; "
           "\\&amp;'\n"},
      {"[![a][r]][r]\n\n[r]: img/a.png\n", "[![a](" + a + ")][r]\n\n[r]: img/a.png\n"},
      {"![*a* `]`][r] ![[n](u)][r] [l][r]\n\n[r]: img/a.png\n",
       "![*a* `]`](" + a + ") ![[n](u)](" + a + ") [l][r]\n\n[r]: img/a.png\n"},
      // A definition only images use is still given the data: address itself.
      {"![a][r] ![b][s] [l][r]\n\n[r]: img/a.png\n[s]: img/a.png\n",
       "![a](" + a + ") ![b][s] [l][r]\n\n[r]: img/a.png\n[s]: " + a + "\n"},
      {"| x |\n|---|\n| ![a][r] [l][r] |\n\n[r]: img/a.png \"a|b\"\n",
       "| x |\n|---|\n| ![a](" + a + " \"a\\|b\") [l][r] |\n\n[r]: img/a.png \"a|b\"\n"},
      {"> ![a][r]\n> [l][r]\n\n[r]: img/a.png \"two\nlines\"\n",
       "> ![a](" + a + " \"two&#10;lines\")\n> [l][r]\n\n[r]: img/a.png \"two\nlines\"\n"},
      {"`![a][r]` ![a]\n[b][a]\n\n[a]: img\\b.png\n[r]: img/a.png\n",
       "`![a][r]` ![a](" + a + ")\n[b][a]\n\n[a]: img\\b.png\n[r]: img/a.png\n"},
  };
  for (const auto& [markdown, expected] : cases) {
    SCOPED_TRACE(markdown);
    EXPECT_EQ(embed_images(markdown, folder_image_reader(doc.path())), expected);
  }
}

// The addresses are looked for in the text given, which need not be followed by a NUL.
TEST(StandalonePage, ImageAddressesReadNothingPastTheText) {
  const std::string markdown = "![w](img\\b.png)\\";
  const auto bytes = std::make_unique<char[]>(markdown.size());
  std::copy(markdown.begin(), markdown.end(), bytes.get());
  const std::vector<ImageAddress> addresses =
      image_addresses(std::string_view(bytes.get(), markdown.size()));
  ASSERT_EQ(addresses.size(), 1u);
  EXPECT_EQ(std::pair(addresses[0].begin, addresses[0].end),
            std::pair(std::size_t{5}, std::size_t{14}));
}

#ifndef _WIN32  // the Win64 build reads through its own reader: tests/win/standalone_export_test
TEST(StandalonePage, LinksLeadingOutsideStayReferences) {
  const fs::path linked = kData / "export" / "linked";
  EXPECT_EQ(
      embed_images(test::read_bytes(linked / "doc" / "a.md"), folder_image_reader(linked / "doc")),
      test::read_bytes(linked / "embedded.md"));
}
#endif

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
