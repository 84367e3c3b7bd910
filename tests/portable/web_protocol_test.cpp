// The messages between the program and the web page, the rules that keep the page on its own
// index and offline, and the reading of the DevTools results of an image export.
#include "web/web_protocol.h"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "web/standalone_html.h"

namespace tavrel::win {
namespace {

using namespace std::literals;

template <typename Action>
std::string error_of(Action action) {
  try {
    action();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "accepted";
}

// As the visual editor reads the page while it shows the document of session "s1".
PageMessage parse(std::string_view json, std::string_view change_session = "s1") {
  std::vector<std::string> sessions;
  if (!change_session.empty()) sessions.emplace_back(change_session);
  return parse_page_message(json, sessions);
}

TEST(WebProtocol, ProgramMessagesAreCompactSortedUtf8) {
  // Each flag set alone, so that no two members can be mixed up unnoticed.
  EXPECT_EQ(document_message({"a{}", true, false, "{G}", "# Tiếng \"x\"\n", false}),
            R"({"css":"a{}","dark":true,"mode":"preview","session":"{G}",)"
            R"("text":"# Tiếng \"x\"\n","type":"document","vi":false})");
  EXPECT_EQ(document_message({.visual_editor = true}),
            R"({"css":"","dark":false,"mode":"edit","session":"","text":"","type":"document",)"
            R"("vi":false})");
  EXPECT_EQ(document_message({.vietnamese = true}),
            R"({"css":"","dark":false,"mode":"preview","session":"","text":"","type":"document",)"
            R"("vi":true})");
  EXPECT_EQ(command_message("bold"), R"({"name":"bold","type":"command"})");
  EXPECT_EQ(scroll_message(0.5), R"({"fraction":0.5,"type":"scroll"})");
  EXPECT_EQ(web_command_name(117), "bold");
  EXPECT_EQ(web_command_name(120), "strike");
  // A shifted or doubled id would hide another command.
  std::set<std::string_view> names;
  for (std::uint32_t id = 0; id < 1000; ++id) names.insert(web_command_name(id).value_or(""));
  EXPECT_EQ(names.size(), 11u) << "ten names and the empty one";
  for (std::uint32_t id : {0u, 100u, 106u, 109u, 119u, 122u, 128u}) {
    EXPECT_FALSE(web_command_name(id)) << id;
  }
}

TEST(WebProtocol, NavigationSourceAndResourceRules) {
  const std::wstring index(kAppIndex), app = L"https://app.tavrel.internal";
  const std::wstring doc = L"https://document.tavrel.internal";
  struct Case {
    std::wstring uri;
    std::string_view rules;  // the navigation, source and served-locally answers
  } cases[] = {{index, "NSL"},
               {index + L"#x", "N-L"},
               {index.substr(0, index.size() - 1), "--L"},
               {app + L"/", "--L"},
               {L"https://APP.tavrel.internal/index.html", "---"},
               {app, "---"},
               {doc + L"/img/a.png", "--L"},
               {doc, "---"},
               {L"data:image/png;base64,AA==", "--L"},
               {L"DATA:x", "---"},
               {L"https://example.com/" + index, "---"},
               {L"", "---"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.uri.begin(), c.uri.end()));
    EXPECT_EQ(is_app_navigation(c.uri), c.rules[0] == 'N');
    EXPECT_EQ(is_app_source(c.uri), c.rules[1] == 'S');
    EXPECT_EQ(is_served_locally(c.uri), c.rules[2] == 'L');
  }
}

TEST(WebProtocol, PageMessagesReadTheirMembers) {
  PageMessage change = parse(R"({"type":"change","session":"s1","text":"é\n"})");
  EXPECT_EQ(change.type, PageMessageType::Change);
  EXPECT_EQ(change.session + "|" + change.text, "s1|é\n");
  EXPECT_EQ(parse(R"({"type":"copy","text":"t"})").text, "t");
  EXPECT_EQ(parse(R"({"type":"copy"})").type, PageMessageType::Copy);
  EXPECT_EQ(parse(R"({"type":"open","url":"https://x"})").url, "https://x");
  EXPECT_EQ(parse(R"({"type":"ready","text":1})").type, PageMessageType::Ready);
  for (const char* other : {R"({"type":"Ready"})", R"({"type":"ready "})", R"({})", R"({"t":1})",
                            R"({"type":"change","session":"s2","text":5})"}) {
    EXPECT_EQ(parse(other).type, PageMessageType::Other) << other;
  }
  // Outside the visual editor no edit is taken, whatever its members.
  EXPECT_EQ(parse(R"({"type":"change","session":1,"text":5})", "").type, PageMessageType::Other);
  // "shift" counts only for "s"; a wrong type elsewhere does no harm.
  const std::pair<const char*, std::optional<std::uint32_t>> shortcuts[] = {
      {R"("key":"n")", 100},
      {R"("key":"o","shift":1)", 101},
      {R"("key":"s")", 102},
      {R"("key":"s","shift":false)", 102},
      {R"("key":"s","shift":true)", 103},
      {R"("key":"S","shift":true)", std::nullopt},
      {R"("key":"x")", std::nullopt},
      {R"("type":"copy","key":"s")", std::nullopt}};
  for (const auto& [members, command] : shortcuts) {
    const PageMessage message = parse("{\"type\":\"shortcut\"," + std::string(members) + "}");
    EXPECT_EQ(shortcut_command(message), command) << members;
  }
}

TEST(WebProtocol, BadPageMessagesThrowReadableTexts) {
  const std::string deep = std::string(300, '[') + std::string(300, ']');
  for (const std::string& bad :
       {R"({"type":"copy","text":5})"s, R"({"type":"change","session":1})"s,
        R"({"type":"change","session":"s1","text":5})"s, R"({"type":"open","url":null})"s,
        R"({"type":7})"s, R"(["ready"])"s, R"("ready")"s,
        R"({"type":"shortcut","key":"s","shift":"yes"})"s, R"({"type":"shortcut","key":["s"]})"s,
        "{\"type\":\"ready\"} // c"s, "{"s, ""s, R"({"type":"ready",})"s, "{\"a\":" + deep + "}"}) {
    EXPECT_THROW(parse(bad), std::exception) << bad.substr(0, 60);
  }
  EXPECT_NE(error_of([] { parse(R"({"type":})"); }).find("parse error"), std::string::npos);
  EXPECT_EQ(error_of([&] { parse(deep); }), "Invalid message JSON");
}

TEST(WebProtocol, ExportResults) {
  EXPECT_TRUE(evaluation_failed(R"({"exceptionDetails":{},"result":{}})"));
  EXPECT_FALSE(evaluation_failed(R"({"result":{"exceptionDetails":1}})"));
  EXPECT_FALSE(evaluation_failed("[]"));
  EXPECT_THROW(evaluation_failed("{"), std::exception);
  struct Case {
    const char* json;
    double width, height;
    bool fits;
  } cases[] = {{R"({"cssContentSize":{"width":800,"height":30000},"contentSize":{"width":1}})", 800,
                30000, true},
               {R"({"contentSize":{"width":800.5,"height":30000.5}})", 800.5, 30000.5, false},
               {R"({"contentSize":{"width":2000,"height":25000}})", 2000, 25000, true},
               {R"({"contentSize":{"width":2000.01,"height":25000}})", 2000.01, 25000, false},
               {R"({"cssContentSize":{"height":20}})", 1000, 20, true},
               {R"({"contentSize":{"width":20}})", 20, 1000, true},
               {R"({"cssContentSize":{},"contentSize":{"width":5,"height":5}})", 1000, 1000, true},
               {R"({})", 1000, 1000, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.json);
    const CaptureSize size = capture_size(c.json);
    EXPECT_EQ(size.width, c.width);
    EXPECT_EQ(size.height, c.height);
    EXPECT_EQ(capture_fits(size), c.fits);
  }
  for (const char* bad : {R"({"contentSize":{"width":"9"}})", R"({"contentSize":{"height":true}})",
                          R"({"cssContentSize":5})", "{x}"}) {
    EXPECT_THROW(capture_size(bad), std::exception) << bad;
  }
  EXPECT_EQ(capture_parameters({800.5, 30000}, false),
            R"({"captureBeyondViewport":true,"clip":{"height":30000.0,"scale":1,"width":800.5,)"
            R"("x":0,"y":0},"format":"png"})");
  EXPECT_NE(capture_parameters({1, 1}, true).find(R"("format":"jpeg")"), std::string::npos);
}

TEST(WebProtocol, ScreenshotBytes) {
  EXPECT_EQ(screenshot_bytes(R"({"data":"iVBO\r\nRw=="})"),
            (std::vector<std::uint8_t>{0x89, 0x50, 0x4E, 0x47}));
  for (const char* bad : {R"({"data":""})", R"({})", R"({"data":"  "})", R"({"data":"iVB!"})"}) {
    EXPECT_EQ(error_of([&] { screenshot_bytes(bad); }), "Invalid image data") << bad;
  }
  EXPECT_THROW(screenshot_bytes(R"({"data":5})"), std::exception);
  EXPECT_THROW(screenshot_bytes("{"), std::exception);
}

TEST(WebProtocol, Base64) {
  using Bytes = std::vector<std::uint8_t>;
  const std::pair<std::string_view, std::string> valid[] = {{"", ""},
                                                            {" \r\n\t", ""},
                                                            {"QQ==", "A"},
                                                            {"QUI=", "AB"},
                                                            {"Q U\tJ\nD", "ABC"},
                                                            {"+/+/", "\xFB\xFF\xBF"},
                                                            {"QUJD\r\nQQ==\r\n", "ABCA"}};
  for (const auto& [text, bytes] : valid) {
    EXPECT_EQ(base64_decode(text), Bytes(bytes.begin(), bytes.end())) << text;
  }
  for (std::string_view bad :
       {"QQ"sv, "QQ="sv, "QUJDQ"sv, "Q==="sv, "===="sv, "QQ=A"sv, "QQ==QUJD"sv, "QQ===="sv,
        "QUJ-"sv, "QUJ_"sv, "QUJD\v"sv, "QU\0D"sv}) {
    EXPECT_EQ(base64_decode(bad), std::nullopt) << bad;
  }
  for (std::size_t size : {256, 257, 258}) {
    std::string all;
    for (std::size_t i = 0; i < size; ++i) all.push_back(static_cast<char>(i));
    EXPECT_EQ(base64_decode(base64_encode(all)), Bytes(all.begin(), all.end())) << size;
  }
}

}  // namespace
}  // namespace tavrel::win
