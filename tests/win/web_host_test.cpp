// The web preview against a stand-in runtime: the loader beside the test executable is the
// project's fake, which records every call and lets a test play the page.
#include <nlohmann/json.hpp>

#include <stdexcept>

#include "tests/win/app_window_fixture_win.h"
#include "tests/win/fake_webview2/fake_webview2.h"
#include "core/text_convert.h"
#include "web/web_host_win.h"
#include "web/web_protocol.h"

namespace tavrel::test {
namespace {

using win::to_utf8;
using win::to_wide;
using win::web_start;

// The stand-in runtime's control functions, and its log as text.
const fake_webview2::Api& fake() { return fake_webview2::api(); }
std::string log() {
  std::string text(fake().log(nullptr, 0) + 1, '\0');
  text.resize(fake().log(text.data(), text.size()));
  return text;
}

class WebHostTest : public AppWindowTest {
 protected:
  void SetUp() override {
    AppWindowTest::SetUp();
    fake().reset("");
  }
  void TearDown() override {
    if (app_) win::web_stop(*app_);
    pump();
    AppWindowTest::TearDown();
  }
  // Delivers the fake's pending completions, as the message loop would.
  void pump() {
    for (int round = 0; round < 200 && (round < 2 || fake().pending() > 0); ++round) {
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
      Sleep(1);
    }
  }
  void start(const char* flags = "", int view_mode = 1) {
    fake().reset(flags);
    app_->web_preview = true;
    app_->view_mode = view_mode;
    web_start(*app_);
    pump();
  }
  // Started and told by the page that it listens.
  void start_ready(int view_mode = 1, const char* flags = "") {
    start(flags, view_mode);
    page(L"{\"type\":\"ready\"}");
  }
  void page(const std::wstring& json, std::wstring_view source = win::kAppIndex) {
    fake().raise("WebMessageReceived", std::wstring(source).c_str(), json.c_str());
    pump();
  }
  // The calls in `expected` appear in the log in this order.
  void expect_in_order(const std::vector<std::string>& expected) {
    const std::string text = log();
    size_t at = 0;
    for (const std::string& call : expected) {
      const size_t found = text.find(call, at);
      ASSERT_NE(found, std::string::npos) << call << "\n--- log:\n" << text;
      at = found + call.size();
    }
  }
};

TEST_F(WebHostTest, StartLocksThePageDownAndSendsTheDocumentOnceReady) {
  const win::Document& document = add_document("# Title\n");
  start();
  ASSERT_NE(app_->web, nullptr);
  EXPECT_FALSE(has(log(), "PostWebMessageAsJson"));  // nothing before the page listens
  EXPECT_FALSE(win::web_focus(*app_));
  const std::string renderer = to_utf8((win::app_folder() / L"renderer").native());
  expect_in_order({"Loader.Create " + to_utf8((profile_.path() / "renderer").native()) +
                       "|--disable-background-networking --disable-component-update",
                   "Environment.CreateCoreWebView2Controller", "Settings.put_IsStatusBarEnabled 0",
                   "Settings.put_AreDevToolsEnabled 0", "Settings.put_IsZoomControlEnabled 0",
                   "Settings.put_AreDefaultContextMenusEnabled 0",
                   "Settings3.put_AreBrowserAcceleratorKeysEnabled 0",
                   "Controller2.put_DefaultBackgroundColor 255,",
                   "WebView.SetVirtualHostNameToFolderMapping app.tavrel.internal|" + renderer,
                   "WebView.add_WebMessageReceived", "WebView.add_NavigationStarting",
                   "WebView.add_NewWindowRequested", "WebView.add_PermissionRequested",
                   "WebView.AddWebResourceRequestedFilter *|", "WebView.add_WebResourceRequested",
                   "WebView.Navigate https://app.tavrel.internal/index.html",
                   "Controller.put_Bounds", "Controller.put_IsVisible 1"});

  page(L"{\"type\":\"ready\"}");
  expect_in_order({"WebView.SetVirtualHostNameToFolderMapping document.tavrel.internal|" +
                       to_utf8(profile_.path().native()),
                   "WebView.PostWebMessageAsJson {\"css\":\"\",\"dark\":", "\"mode\":\"preview\"",
                   "\"session\":\"" + document.id + "\",\"text\":\"# Title\\n\""});
  web_start(*app_);             // already running: one state, the document sent again
  EXPECT_EQ(fake().live(), 3);  // one environment, controller and web view
}

// Which addresses pass is the protocol's rule; here: each handler answers with it.
TEST_F(WebHostTest, ThePageStaysOnItsIndexAndOffline) {
  add_document();
  start();
  EXPECT_EQ(
      fake().raise("NavigationStarting", L"https://app.tavrel.internal/index.html#top", nullptr),
      FALSE);
  EXPECT_EQ(fake().raise("NavigationStarting", L"https://example.com/", nullptr), TRUE);
  EXPECT_EQ(fake().raise("NewWindowRequested", nullptr, nullptr), TRUE);
  EXPECT_EQ(fake().raise("PermissionRequested", nullptr, nullptr),
            COREWEBVIEW2_PERMISSION_STATE_DENY);
  EXPECT_EQ(fake().raise("WebResourceRequested", L"https://example.com/track.png", nullptr), 403);
  EXPECT_TRUE(has(log(), "CreateWebResourceResponse 403|Offline only|Content-Type: text/plain"));
  EXPECT_EQ(
      fake().raise("WebResourceRequested", L"https://document.tavrel.internal/a.png", nullptr), 0);
}

TEST_F(WebHostTest, EveryStartFailureFallsBackToTheNativePreviewWithItsText) {
  add_document();
  for (const auto& [flags, text] : std::vector<std::pair<const char*, std::wstring>>{
           {"create-fails", L"Could not start the optional renderer"},
           {"environment-fails", L"Advanced preview requires Microsoft Edge WebView2 Runtime"},
           {"controller-fails", L"WebView2 could not create a renderer"},
           {"controller-call-fails", L"WebView2 could not create a renderer"},
           {"no-webview3", L"Optional renderer is incompatible"}}) {
    start(flags, 3);
    EXPECT_EQ(app_->status_text, text) << flags;
    EXPECT_FALSE(app_->web_preview);
    EXPECT_EQ(app_->view_mode, 1);
    EXPECT_EQ(app_->web, nullptr);
    EXPECT_EQ(app_->web_host, nullptr);
  }
}

TEST_F(WebHostTest, StoppingBeforeTheRuntimeAnswersCreatesNothingMore) {
  fake().reset("");  // and with no document open, which starts it all the same
  app_->web_preview = true;
  web_start(*app_);
  win::web_stop(*app_);
  pump();
  EXPECT_TRUE(has(log(), "Loader.Create"));
  EXPECT_FALSE(has(log(), "CreateCoreWebView2Controller"));
  EXPECT_EQ(app_->web_host, nullptr);
}

TEST_F(WebHostTest, OnlyTheActiveDocumentsOwnEditInTheVisualEditorIsTaken) {
  win::Document& document = add_document("old");
  start_ready(3);
  const std::wstring session = to_wide(document.id);
  auto change = [&](const std::wstring& id, const std::wstring& text) {
    return L"{\"type\":\"change\",\"session\":\"" + id + L"\",\"text\":\"" + text + L"\"}";
  };
  page(change(session, L"other origin"), L"https://app.tavrel.internal/index.html#x");
  page(change(L"{00000000-0000-0000-0000-000000000000}", L"other document"));
  const std::wstring status = app_->status_text;
  fake().raise("WebMessageReceived", win::kAppIndex.data(), nullptr);  // no message at all
  EXPECT_EQ(app_->status_text, status);
  page(L"[\"change\"]");
  EXPECT_NE(app_->status_text, status);  // the parser's complaint
  page(L"{\"type\":\"change\",\"session\":\"" + session + L"\",\"text\":\"" +
       std::wstring(win::kMaxWebChangeBytes + 1, L'x') + L"\"}");
  EXPECT_EQ(editor_text(), "old");
  EXPECT_FALSE(document.modified);

  page(change(session, L"new text"));
  EXPECT_EQ(editor_text(), "new text");
  EXPECT_TRUE(document.modified);
  app_->view_mode = 1;
  page(change(session, L"split view"));
  EXPECT_EQ(editor_text(), "new text");
}

// What the page hands over from a box is what a save writes: before its Save shortcut, and when
// it arrives for the tab just left.
TEST_F(WebHostTest, TheVisualEditorsEditsAreWhatSaveWrites) {
  const auto a = files_.path() / "a.md";
  const auto b = files_.path() / "b.md";
  write_bytes(a, "old a");
  write_bytes(b, "old b");
  ASSERT_TRUE(app_->open_path(a));
  const std::wstring left = to_wide(active().id);
  ASSERT_TRUE(app_->open_path(b));
  start_ready(3);
  auto change = [](const std::wstring& id, const std::wstring& text) {
    return L"{\"type\":\"change\",\"session\":\"" + id + L"\",\"text\":\"" + text + L"\"}";
  };
  page(change(to_wide(active().id), L"old bTYPED"));
  page(L"{\"type\":\"shortcut\",\"key\":\"s\"}");
  EXPECT_EQ(read_bytes(b), "old bTYPED");
  EXPECT_FALSE(active().modified);

  page(change(left, L"old aTYPED"));
  EXPECT_EQ(editor_text(), "old bTYPED");
  EXPECT_FALSE(active().modified);
  app_->select_document(0);
  EXPECT_TRUE(active().modified);
  EXPECT_EQ(editor_text(), "old aTYPED");
  app_->on_command(win::cmd_save);
  EXPECT_EQ(read_bytes(a), "old aTYPED");
}

TEST_F(WebHostTest, PageCopiesAndShortcutsReachTheProgram) {
  const ClipboardTestLock clipboard;
  add_document("text");
  start_ready();
  page(L"{\"type\":\"copy\",\"text\":\"ch\u00E9p\"}");
  ASSERT_TRUE(OpenClipboard(nullptr));
  const auto* copied = static_cast<const wchar_t*>(GlobalLock(GetClipboardData(CF_UNICODETEXT)));
  EXPECT_STREQ(copied, L"ch\u00E9p");
  CloseClipboard();
  page(L"{\"type\":\"shortcut\",\"key\":\"S\"}");
  EXPECT_TRUE(suggested_paths_.empty());
  page(L"{\"type\":\"shortcut\",\"key\":\"s\",\"shift\":true}");
  EXPECT_EQ(suggested_paths_.size(), 1u);  // Save as asked where
}

TEST_F(WebHostTest, CommandsGoToTheVisualEditorOnly) {
  add_document();
  start_ready(1);
  EXPECT_FALSE(win::web_send_command(*app_, 117));
  app_->view_mode = 3;
  EXPECT_TRUE(win::web_send_command(*app_, 117));
  EXPECT_FALSE(win::web_send_command(*app_, 119));
  EXPECT_TRUE(has(log(), "PostWebMessageAsJson {\"name\":\"bold\",\"type\":\"command\"}"));
}

TEST_F(WebHostTest, ImageExportThroughThePageAndEachOfItsFailures) {
  add_document("# Picture");
  start_ready();
  const std::filesystem::path target = files_.path() / "out.png";
  struct Case {
    std::wstring prepared, metrics, shot, box;  // answers queued only where they are asked for
  };
  const std::wstring ok = L"{\"result\":{\"type\":\"undefined\"}}";
  const std::wstring size = L"{\"cssContentSize\":{\"width\":800,\"height\":600}}";
  for (const Case& c : std::vector<Case>{
           {ok, size, L"{\"data\":\"iVBORw0KGgo=\"}", L""},
           {L"{\"exceptionDetails\":{}}", L"", L"", L"Could not prepare the image"},
           {ok, L"{\"contentSize\":{\"height\":30000.5}}", L"", L"Image is too large."},
           {ok, L"", L"", L"Image capture failed"}}) {
    std::filesystem::remove(target);
    fake().devtools_answer("Runtime.evaluate", c.prepared.c_str());
    if (!c.metrics.empty()) fake().devtools_answer("Page.getLayoutMetrics", c.metrics.c_str());
    if (!c.shot.empty()) fake().devtools_answer("Page.captureScreenshot", c.shot.c_str());
    BoxWatcher boxes;
    save_path_ = target.wstring();
    app_->on_command(win::cmd_export_png);
    pump();
    if (c.box.empty()) {
      EXPECT_EQ(read_bytes(target), std::string("\x89PNG\r\n\x1a\n", 8));
      EXPECT_EQ(app_->status_text, L"Image exported");
      EXPECT_TRUE(boxes.boxes().empty());
    } else {
      ASSERT_EQ(boxes.boxes().size(), 1u) << to_utf8(c.box);
      EXPECT_TRUE(has(boxes.boxes()[0].text, c.box)) << to_utf8(boxes.boxes()[0].text);
      EXPECT_FALSE(std::filesystem::exists(target));
      // The outcome, not a progress text that would claim the export still runs.
      EXPECT_TRUE(has(app_->status_text, c.box)) << to_utf8(app_->status_text);
    }
  }
  EXPECT_TRUE(has(log(),
                  "Page.captureScreenshot {\"captureBeyondViewport\":true,\"clip\":"
                  "{\"height\":600.0,\"scale\":1,\"width\":800.0,\"x\":0,\"y\":0},"
                  "\"format\":\"png\"}"));
  win::web_stop(*app_);
  start_ready(1, "devtools-call-fails");  // refused at once: thrown to the window's box
  EXPECT_EQ(error_text([&] { app_->on_command(win::cmd_export_png); }),
            "Could not prepare the image");
  EXPECT_EQ(app_->status_text, L"Could not prepare the image");
}

TEST_F(WebHostTest, SwitchingDocumentsWhileThePagePreparesStopsTheExport) {
  add_document("one");
  start_ready();
  fake().devtools_answer("Runtime.evaluate", L"{\"result\":{}}");
  ASSERT_TRUE(win::web_export_image(*app_, files_.path() / "x.png", false));
  add_document("two");
  BoxWatcher boxes;
  pump();
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_TRUE(has(boxes.boxes()[0].text, L"Document changed during export."));
}

TEST_F(WebHostTest, PrintingUsesThePagesDialogWhenTheRuntimeOffersIt) {
  add_document("print me");
  start("", 3);
  EXPECT_FALSE(win::web_print(*app_));  // the page has not said it listens
  page(L"{\"type\":\"ready\"}");
  EXPECT_FALSE(win::web_export_image(*app_, files_.path() / "x.png", false));  // visual editor
  fake().devtools_answer("Runtime.evaluate", L"{\"result\":{}}");
  ASSERT_TRUE(win::web_print(*app_));
  pump();
  EXPECT_TRUE(has(log(), "WebView16.ShowPrintUI"));
  win::web_stop(*app_);
  start_ready(3, "no-webview16");
  EXPECT_FALSE(win::web_print(*app_));
  win::web_stop(*app_);
  start_ready(3, "devtools-call-fails");  // refused at once: said, not left at a progress text
  EXPECT_EQ(error_text([&] { win::web_print(*app_); }),
            "Could not prepare the document for printing");
  EXPECT_EQ(app_->status_text, L"Could not prepare the document for printing");
}

// The program's handlers answer only their own interface, and no exception escapes into the
// runtime.
TEST(WebCom, HandlersAnswerTheirInterfaceAndTurnExceptionsIntoFailures) {
  const auto throwing =
      win::make_handler<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler>(
          [](HRESULT, ICoreWebView2Controller*) -> HRESULT { throw std::runtime_error("boom"); });
  EXPECT_EQ(throwing->Invoke(S_OK, nullptr), E_FAIL);
  EXPECT_TRUE(throwing.query<IUnknown>(IID_IUnknown));
  EXPECT_FALSE(throwing.query<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler>());
}

// Most users have no loader at all: a saved visual editor then comes back as split view, and so
// it does with a loader that lacks the entry point.
TEST(WebFallback, ProgramWithoutAUsableLoaderStartsInSplitView) {
  const std::filesystem::path built = std::filesystem::path(TAVREL_EXE).make_preferred();
  TempDir copy;
  std::filesystem::copy_file(built, copy.path() / "tavrel.exe");
  std::filesystem::copy_file(TAVREL_INCOMPATIBLE_LOADER, copy.path() / "WebView2Loader.dll");
  for (const std::filesystem::path& exe : {built, copy.path() / "tavrel.exe"}) {
    TempDir profile;
    write_bytes(profile.path() / "settings.json", R"({"view": 3})");
    ProgramRun run({L"--profile", profile.path().native()}, {}, exe);
    const HWND window = run.window();
    ASSERT_NE(window, nullptr);
    PostMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_EQ(run.wait(std::chrono::seconds(20)), 0u);
    EXPECT_EQ(nlohmann::json::parse(read_bytes(profile.path() / "settings.json")).at("view"), 1)
        << exe;
  }
}

}  // namespace
}  // namespace tavrel::test
