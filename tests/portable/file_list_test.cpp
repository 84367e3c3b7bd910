#include "ui/file_list.h"

#include <gtest/gtest.h>

#include <fstream>

#include "tests/portable/test_support.h"
#include "ui/emoji_completion.h"
#include "ui/insert_rows.h"

using namespace tavrel::win;
namespace fs = std::filesystem;

TEST(FuzzyScore, ScoresSubsequences) {
  const struct {
    const char* query;
    const char* name;
    int score;
  } cases[] = {{"", "", 0},
               {"ab", "ab", 39},
               {"ab", "xab", 23},
               {"AB", "ab", 39},
               {"z", "Z", 25},
               {"a", "x/a", 23},
               {"a", "x\\a", 23},
               {"ac", "abc", 34},
               {"abc", "abc", 25 + 14 + 18},
               {"md", "readme.md", 13},
               {"ba", "ab", kNoMatch},
               {"abc", "ab", kNoMatch},
               {"a", "", kNoMatch},
               {"\xC3\xA9", "caf\xC3\xA9", 21}};
  for (const auto& c : cases)
    EXPECT_EQ(fuzzy_score(c.query, c.name), c.score) << c.query << "/" << c.name;
}

// Letters of every cased script match in either case, scored as the same letters in lower case
// would be (Cherokee folds to its capitals).
TEST(FuzzyScore, FoldsLettersAsFindAndReplace) {
  const struct {
    const char* query;
    const char* folded_query;
    const char* name;
  } cases[] = {{"TỆP", "tệp", "tệp một.md"},
               {"ĐỒ ÁN", "đồ án", "Đồ án.md"},
               {"ƯỚC", "ước", "ước mơ.txt"},
               {"ΑΛΦΑ", "αλφα", "άλφα αλφα.md"},
               {"ПЛАН", "план", "План.md"},
               {"ＡＢ", "ａｂ", "ａｂ.md"},
               {"ΕΛΛΗΝΙΚΆ", "ελληνικά", "Ελληνικά σημειώσεις.md"},
               {"ΟΔΟΣ", "οδος", "Οδός οδος.md"},
               {"ҐАНОК", "ґанок", "Ґанок.md"},
               {"ՀԱՅԵՐԵՆ", "հայերեն", "հայերեն.md"},
               {"ᲥᲐᲠᲗᲣᲚᲘ", "ქართული", "ქართული.md"},
               {"ꮳꮃꭹ", "ᏣᎳᎩ", "ᏣᎳᎩ.md"},
               {"𐐔𐐯𐑅𐐨𐑉𐐯𐐻", "𐐼𐐯𐑅𐐨𐑉𐐯𐐻", "𐐔𐐯𐑅𐐨𐑉𐐯𐐻.md"},
               {"Kelvin", "kelvin", "KELVIN.md"}};
  for (const auto& c : cases) {
    const int score = fuzzy_score(c.folded_query, c.name);
    EXPECT_GT(score, kNoMatch) << c.name;
    EXPECT_EQ(fuzzy_score(c.query, c.name), score) << c.query;
  }
  EXPECT_EQ(fuzzy_score("ß", "SS.md"), kNoMatch);  // one letter for one letter
}

TEST(FileList, RanksStablyAndCapsRows) {
  std::vector<fs::path> many;
  for (int i = 0; i < 350; ++i) many.push_back(fs::path("dir") / ("f" + std::to_string(i) + ".md"));
  const std::vector<size_t> all = rank_candidates("", many);
  ASSERT_EQ(all.size(), kFileListRowLimit);
  for (size_t i = 0; i < all.size(); ++i) EXPECT_EQ(all[i], i);

  const std::vector<fs::path> names = {"x/zab.md", "x/ab.md", "ab/q.txt", "x/xab.md", "x/b.md"};
  EXPECT_EQ(rank_candidates("ab", names), (std::vector<size_t>{1, 0, 3}));  // ties keep order
}

TEST(FileList, CandidatesByKind) {
  nlohmann::json settings = {{"recent", {"/r/a.md", "/p/pin.md", 5}}, {"pins", {"/p/pin.md"}}};
  const std::vector<fs::path> workspace = {"/w/a.md", "/w/b.MD", "/w/c.txt", "/w/d.markdown",
                                           "/w/e.png"};
  EXPECT_EQ(quick_open_candidates(workspace, settings),
            (std::vector<fs::path>{"/w/a.md", "/w/c.txt", "/w/d.markdown"}));
  EXPECT_EQ(quick_open_candidates({"/w/b.MD"}, settings),
            (std::vector<fs::path>{"/r/a.md", "/p/pin.md"}));
  EXPECT_EQ(recent_pinned_candidates(settings), (std::vector<fs::path>{"/p/pin.md", "/r/a.md"}));
  EXPECT_EQ(file_row_text("/p/pin.md", settings),
            L"\u2605  pin.md    |    " + fs::path("/p").wstring());
  EXPECT_EQ(file_row_text("/r/a.md", settings), L"a.md    |    " + fs::path("/r").wstring());
  EXPECT_EQ(file_row_text("/p/pin.md", {{"recent", {"/p/pin.md"}}}),
            L"pin.md    |    " + fs::path("/p").wstring());
}

TEST(FileList, HistoryNewestFirst) {
  tavrel::test::TempDir dir;
  EXPECT_TRUE(history_candidates(dir / "absent").empty());
  for (const char* name : {"200.md", "300.md", "100.md"}) std::ofstream(dir / name) << "x";
  EXPECT_EQ(history_candidates(dir.path()),
            (std::vector<fs::path>{dir / "300.md", dir / "200.md", dir / "100.md"}));
}

TEST(InsertRows, CodeLabelsCutAtCharacterBoundaries) {
  RenderedMarkdown rendered;
  const std::string long_code = std::string(99, 'a') + "\xC3\xA9" + "tail";  // é spans 99..100
  for (const std::string& code : {std::string("x\ny"), long_code}) {
    Block block;
    block.kind = BlockKind::CodeBlock;
    block.text = "cpp";
    block.runs = {tavrel::win::Run{code.substr(0, 2)}, tavrel::win::Run{code.substr(2)}};
    rendered.blocks.push_back(block);
    rendered.blocks.push_back(Block{});  // a paragraph between: no row
  }
  const CodeRows rows = code_block_rows(rendered);
  EXPECT_EQ(rows.code, (std::vector<std::string>{"x\ny", long_code}));
  EXPECT_EQ(rows.labels,
            (std::vector<std::string>{"cpp  |  x y", "cpp  |  " + std::string(99, 'a')}));
  EXPECT_EQ(emoji_of_row(kEmojiDialogRows[2]), "\u2764\uFE0F");
}

TEST(EmojiCompletion, TriggersMatchesAndPlacement) {
  const struct {
    const wchar_t* text;
    bool found;
    size_t colon;
    const wchar_t* query;
  } cases[] = {
      {L":", true, 0, L""},          {L"a :ro", true, 2, L"ro"},      {L"a\t:x_1", true, 2, L"x_1"},
      {L"a:ro", false, 0, L""},      {L" :Ro", false, 0, L""},        {L" :ro ", false, 0, L""},
      {L"", false, 0, L""},          {L"x :a :b", true, 5, L"b"},     {L" :a-", false, 0, L""},
      {L" :tada", true, 1, L"tada"}, {L"\t:zz09_", true, 1, L"zz09_"}};
  for (const auto& c : cases) {
    const auto trigger = parse_emoji_trigger(c.text);
    ASSERT_EQ(trigger.has_value(), c.found) << c.text;
    if (trigger) {
      EXPECT_EQ(trigger->colon, c.colon);
      EXPECT_EQ(trigger->query, c.query);
    }
  }
  std::vector<std::wstring> w;
  for (const auto& entry : match_emoji(L"w")) w.push_back(emoji_row_text(entry));
  EXPECT_EQ(w, (std::vector<std::wstring>{L"\u26A0\uFE0F   :warning:",
                                          L"\u2705   :white_check_mark:", L"\U0001F44B   :wave:"}));
  EXPECT_TRUE(match_emoji(L"Smile").empty());

  const PopupRect inside = emoji_popup_rect(100, 200, 1000, 800, 20, 96);
  EXPECT_EQ((std::vector<int>{inside.x, inside.y, inside.width, inside.height}),
            (std::vector<int>{100, 200, 250, 144}));
  const PopupRect edge = emoji_popup_rect(900, 790, 1000, 800, 2, 192);
  EXPECT_EQ((std::vector<int>{edge.x, edge.y, edge.width, edge.height}),
            (std::vector<int>{500, 800 - 68 - 96, 500, 96}));
  EXPECT_EQ(emoji_popup_rect(-5, 0, 100, 800, 1, 96).x, 0);
}
