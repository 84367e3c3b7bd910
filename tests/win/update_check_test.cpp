// The update check against tests/win/update_server.py, which ctest starts before these tests
// (by hand: python3 tests/win/update_server.py start build/win/update-server).
#include <fstream>
#include <thread>

#include "core/text_convert.h"
#include "tests/win/app_window_fixture_win.h"
#include "update/http_client_win.h"
#include "update/update_dialog_win.h"
#include "update/update_manifest.h"

namespace tavrel::test {
namespace {

int port(const char* kind) {
  std::ifstream file(std::filesystem::path(TAVREL_UPDATE_SERVER) / "ports.json");
  const nlohmann::json ports = nlohmann::json::parse(file, nullptr, false);
  return ports.is_object() && ports.contains(kind) ? ports[kind].get<int>() : 1;
}

std::string url(const std::string& path, const char* kind = "https") {
  return "https://localhost:" + std::to_string(port(kind)) + path;
}

// The manifest read from `address`, or the failure's text.
std::string fetch(const std::string& address,
                  std::chrono::milliseconds deadline = win::kManifestReadDeadline,
                  bool cancel = false) {
  std::atomic<bool> cancelled{cancel};
  try {
    return win::parse_update_manifest(win::http_get_manifest(address, cancelled, deadline)).url;
  } catch (const std::runtime_error& e) {
    return e.what();
  }
}

TEST(UpdateClient, EveryAnswerEndsInItsText) {
  const std::pair<std::string, std::string> cases[] = {
      {url("/exact"), "https://localhost/dl/tavrel.zip"},
      {url("/redirect-https"), "https://localhost/dl/tavrel.zip"},
      {url("/echo?q=1#part"), "https://localhost/echo?q=1"},
      {url(""), "https://localhost/"},
      {url("/status/304"), "HTTP 304"},
      {url("/large"), "Update manifest is too large"},
      {"http://localhost:" + std::to_string(port("http")) + "/manifest",
       "Update source must use HTTPS"}};
  for (const auto& [address, expected] : cases) EXPECT_EQ(fetch(address), expected) << address;
  EXPECT_EQ(fetch(url("/trickle"), std::chrono::milliseconds(1000)), "Network timeout");
  // Windows hands back the refused redirect or names the certificate failure; Wine reports a
  // failed redirect and a failed secure channel.
  const std::string refused = fetch(url("/redirect-http"));
  EXPECT_TRUE(refused == "HTTP 302" || refused == "Network error 12156") << refused;
  const std::string untrusted = fetch(url("/manifest", "untrusted"));
  EXPECT_TRUE(untrusted == "Network error 12175" || untrusted == "Network error 12157")
      << untrusted;
  EXPECT_EQ(fetch(url("/manifest"), win::kManifestReadDeadline, true), "Cancelled");
}

class UpdateDialogTest : public AppWindowTest {
 protected:
  // Runs the dialog here while `drive` works it from another thread; then closes it.
  void run_dialog(const std::string& path, const std::function<void()>& drive) {
    app_->update_url = url(path);
    std::thread driver([&, ui = GetCurrentThreadId()] {
      wait_until([&] { return EnumThreadWindows(ui, find_dialog, LPARAM(&dialog_)), dialog_; },
                 std::chrono::seconds(20));
      drive();
      PostMessageW(dialog_, WM_COMMAND, IDCANCEL, 0);
    });
    win::show_update_dialog(*app_);
    driver.join();
  }
  static BOOL CALLBACK find_dialog(HWND window, LPARAM out) {
    if (class_name(window) == L"#32770") *reinterpret_cast<HWND*>(out) = window;
    return TRUE;
  }
  std::wstring text(int id) { return text_of(GetDlgItem(dialog_, id)); }
  void wait_for_status(const std::wstring& status) {
    EXPECT_TRUE(
        wait_until([&] { return text(win::kUpdateStatusId) == status; }, std::chrono::seconds(20)))
        << win::to_utf8(text(win::kUpdateStatusId));
  }
  // The five values, then which of Copy SHA256, Open download and Check again are enabled.
  std::vector<std::wstring> shown() {
    std::vector<std::wstring> values;
    for (int k = 0; k < 5; ++k) values.push_back(text(win::kUpdateFirstValueId + k));
    for (int id : {win::kUpdateCopyId, win::kUpdateOpenId, win::kUpdateCheckId})
      values.push_back(IsWindowEnabled(GetDlgItem(dialog_, id)) ? L"on" : L"off");
    return values;
  }

  HWND dialog_ = nullptr;
};

TEST_F(UpdateDialogTest, ShowsTheManifestAndCopiesItsHash) {
  const ClipboardTestLock clipboard;
  run_dialog("/manifest", [&] {
    wait_for_status(L"An update is available");
    const std::wstring hash = std::wstring(32, L'a') + std::wstring(32, L'b');
    EXPECT_EQ(shown(), (std::vector<std::wstring>{
                           L"1.2.3", L"2026-01-31T08:00:00Z", L"1.50 KiB (1536 bytes)",
                           L"https://localhost/dl/tavrel.zip", hash, L"on", L"on", L"on"}));
    SendMessageW(dialog_, WM_COMMAND, win::kUpdateCopyId, 0);
    ASSERT_TRUE(OpenClipboard(nullptr));
    const HANDLE data = GetClipboardData(CF_UNICODETEXT);
    const auto* copied = static_cast<const wchar_t*>(data ? GlobalLock(data) : nullptr);
    EXPECT_EQ(copied ? std::wstring(copied) : L"", hash);
    if (copied) GlobalUnlock(data);
    CloseClipboard();
  });
}

TEST_F(UpdateDialogTest, FailureThenCheckAgainInVietnamese) {
  app_->vietnamese = true;
  run_dialog("/missing", [&] {
    wait_for_status(L"Chưa kiểm tra được cập nhật");
    EXPECT_EQ(text(win::kUpdateMessageId),
              L"Kiểm tra kết nối và nguồn cập nhật trong Cài đặt, rồi thử lại.\r\nHTTP 404");
    EXPECT_EQ(shown(), (std::vector<std::wstring>{L"", L"", L"", L"", L"", L"off", L"off", L"on"}));
    app_->update_url = url("/current");
    SendMessageW(dialog_, WM_COMMAND, win::kUpdateCheckId, 0);
    wait_for_status(L"Bạn đang dùng phiên bản mới nhất");
    const std::wstring none = L"Chưa được cung cấp";
    EXPECT_EQ(shown(),
              (std::vector<std::wstring>{L"1.0.0", none, none, L"https://localhost/dl/tavrel.zip",
                                         none, L"off", L"on", L"on"}));
  });
}

// The first check is answered while the second still runs: that answer is not shown.
TEST_F(UpdateDialogTest, AnAnswerOfALetGoCheckIsNeverShown) {
  const auto answers_after_one_second = [] {
    std::atomic<bool> cancelled{false};
    return nlohmann::json::parse(win::http_get_manifest(url("/stats"), cancelled)).value("1", 0);
  };
  const int before = answers_after_one_second();
  run_dialog("/slow/1", [&] {
    wait_for_status(L"Checking for updates...");
    app_->update_url = url("/slow/3");
    SendMessageW(dialog_, WM_COMMAND, win::kUpdateCheckId, 0);
    EXPECT_TRUE(
        wait_until([&] { return answers_after_one_second() > before; }, std::chrono::seconds(20)));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // room for a stray answer
    EXPECT_EQ(text(win::kUpdateStatusId), L"Checking for updates...");
    wait_for_status(L"An update is available");
    EXPECT_EQ(text(win::kUpdateFirstValueId), L"9.9.3");
  });
}

}  // namespace
}  // namespace tavrel::test
