// The real program, end to end, on a temporary profile: text typed into it survives a hard kill
// through its recovery snapshot and comes back, modified, once the restore question is
// answered; with auto-save on, an edited file is written after the idle delay and its earlier
// version is kept in the history folder. Every run is bounded in time.
#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <optional>
#include <string>

#include "tests/portable/test_support.h"
#include "tests/win/window_test_support_win.h"

using namespace std::chrono_literals;
using tavrel::test::box_text;
using tavrel::test::class_name;
using tavrel::test::ProgramRun;
using tavrel::test::read_bytes;
using tavrel::test::TempDir;
using tavrel::test::text_of;
using tavrel::test::wait_until;
using tavrel::test::write_bytes;

namespace {

constexpr auto kLimit = 30s;
constexpr int kPreviewId = 30;

// The editor the window shows: the one RichEdit child that is not the preview and is not hidden.
HWND shown_editor(HWND main_window) {
  for (HWND child = GetWindow(main_window, GW_CHILD); child;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if (_wcsicmp(class_name(child).c_str(), L"RICHEDIT50W") == 0 &&
        GetDlgCtrlID(child) != kPreviewId && (GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE) != 0) {
      return child;
    }
  }
  return nullptr;
}

bool send_to(HWND window, UINT message, WPARAM wparam, LPARAM lparam, DWORD_PTR* result = nullptr) {
  DWORD_PTR ignored = 0;
  return SendMessageTimeoutW(window, message, wparam, lparam, SMTO_BLOCK | SMTO_ABORTIFHUNG, 5000,
                             result ? result : &ignored) != 0;
}

// Replaces the editor's whole text the way a paste does; the program sees an ordinary edit.
void type_into(HWND editor, const std::wstring& text) {
  ASSERT_TRUE(send_to(editor, EM_SETSEL, 0, -1));
  ASSERT_TRUE(send_to(editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str())));
}

// The editor's text with LF line ends, as the document holds it.
std::wstring editor_text(HWND editor) {
  DWORD_PTR length = 0;
  if (!send_to(editor, WM_GETTEXTLENGTH, 0, 0, &length)) return L"<no answer>";
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  send_to(editor, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()), &copied);
  text.resize(copied);
  std::wstring lf;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\r') {
      lf += L'\n';
      if (i + 1 < text.size() && text[i + 1] == L'\n') ++i;
    } else {
      lf += text[i];
    }
  }
  return lf;
}

int tab_count(HWND main_window) {
  DWORD_PTR count = 0;
  send_to(GetDlgItem(main_window, 11), TCM_GETITEMCOUNT, 0, 0, &count);
  return static_cast<int>(count);
}

// The "text" of the one recovery snapshot in the folder, or nothing while there is none.
std::optional<std::string> snapshot_text(const std::filesystem::path& folder) {
  std::error_code ec;
  std::optional<std::string> text;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    if (entry.path().extension() != ".json") continue;
    try {
      text = nlohmann::json::parse(read_bytes(entry.path())).at("text").get<std::string>();
    } catch (const std::exception&) {
      // caught between the write of the temporary file and its move: look again
    }
  }
  return text;
}

size_t count_files(const std::filesystem::path& folder, const char* extension) {
  size_t count = 0;
  std::error_code ec;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, ec)) {
    if (entry.is_regular_file() && entry.path().extension() == extension) ++count;
  }
  return count;
}

// Ends the run the hard way, as a crash or the task manager would: no message reaches it.
void kill_hard(ProgramRun& run) {
  const HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, run.pid());
  ASSERT_NE(process, nullptr);
  EXPECT_TRUE(TerminateProcess(process, 9));
  WaitForSingleObject(process, 10000);
  CloseHandle(process);
  EXPECT_EQ(run.wait(5s), std::optional<DWORD>(9));
}

void write_settings(const TempDir& profile, const nlohmann::json& settings) {
  write_bytes(profile / "settings.json", settings.dump(2));
}

// The shown editor of a run, once the program made it.
HWND wait_for_editor(HWND main_window) {
  HWND editor = nullptr;
  wait_until([&] { return (editor = shown_editor(main_window)) != nullptr; }, 10s);
  return editor;
}

}  // namespace

TEST(RecoveryEndToEnd, TypedTextSurvivesAHardKill) {
  TempDir profile;
  write_settings(profile, {{"autoSaveSeconds", 2}});
  const std::wstring typed = L"Recovered after a crash\rsecond line: \u00FC\u00F1\u00EE \U0001F600";
  const std::string typed_utf8 =
      "Recovered after a crash\nsecond line: \xC3\xBC\xC3\xB1\xC3\xAE \xF0\x9F\x98\x80";
  {
    ProgramRun first({L"--profile", profile.path().native()});
    const HWND window = first.main_window();
    ASSERT_NE(window, nullptr);
    const HWND editor = wait_for_editor(window);
    ASSERT_NE(editor, nullptr);
    type_into(editor, typed);
    EXPECT_TRUE(wait_until([&] { return text_of(window).rfind(L"* ", 0) == 0; }, 5s))
        << text_of(window);
    ASSERT_TRUE(
        wait_until([&] { return snapshot_text(profile / "recovery") == typed_utf8; }, kLimit))
        << snapshot_text(profile / "recovery").value_or("<none>");
    kill_hard(first);
  }

  ProgramRun second({L"--profile", profile.path().native()});
  const HWND box = second.box(kLimit);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(text_of(box), L"Tavrel");
  EXPECT_NE(box_text(box).find(L"Unsaved documents were recovered. Open them now?"),
            std::wstring::npos)
      << box_text(box);
  PostMessageW(box, WM_COMMAND, IDYES, 0);

  const HWND window = second.main_window(kLimit);
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(wait_until([&] { return tab_count(window) == 2; }, 10s))
      << tab_count(window);  // welcome + recovered
  EXPECT_EQ(text_of(window), L"* Untitled - Tavrel");
  const HWND editor = wait_for_editor(window);
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor_text(editor),
            L"Recovered after a crash\nsecond line: \u00FC\u00F1\u00EE \U0001F600");
  EXPECT_EQ(snapshot_text(profile / "recovery"), typed_utf8);  // kept until saved or closed
}

TEST(RecoveryEndToEnd, AutoSaveWritesTheFileAndKeepsTheOldVersion) {
  TempDir profile;
  TempDir documents;
  write_settings(profile, {{"autoSave", true}, {"autoSaveSeconds", 2}});
  write_bytes(documents / "notes.md", "# Notes\n\nold text\n");
  {
    ProgramRun first({L"--profile", profile.path().native(), (documents / "notes.md").native()});
    const HWND window = first.main_window();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(wait_until([&] { return text_of(window) == L"notes.md - Tavrel"; }, 10s))
        << text_of(window);
    const HWND editor = wait_for_editor(window);
    ASSERT_NE(editor, nullptr);
    type_into(editor, L"# Notes\r\rnew text");
    ASSERT_TRUE(wait_until(
        [&] { return read_bytes(documents / "notes.md") == "# Notes\n\nnew text"; }, kLimit))
        << read_bytes(documents / "notes.md");
    EXPECT_TRUE(wait_until([&] { return text_of(window) == L"notes.md - Tavrel"; }, 5s))
        << text_of(window);
    EXPECT_EQ(count_files(profile / "recovery", ".json"), 0u);
    kill_hard(first);
  }
  EXPECT_EQ(read_bytes(documents / "notes.md"), "# Notes\n\nnew text");
  ASSERT_EQ(count_files(profile / "history", ".md"), 1u);
  for (const auto& entry : std::filesystem::recursive_directory_iterator(profile / "history")) {
    if (entry.is_regular_file()) EXPECT_EQ(read_bytes(entry.path()), "# Notes\n\nold text\n");
  }

  // Nothing is left to recover: the next start asks nothing and shows the saved text.
  ProgramRun second({L"--profile", profile.path().native(), (documents / "notes.md").native()});
  const HWND window = second.main_window(kLimit);
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(wait_until([&] { return text_of(window) == L"notes.md - Tavrel"; }, 10s))
      << text_of(window);
  const HWND editor = wait_for_editor(window);
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor_text(editor), L"# Notes\n\nnew text");
}
