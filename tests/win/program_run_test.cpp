// The real program, end to end, each run with its own temporary profile: the hand-over of a
// second start, closing, a failed start, and typed text that survives a hard kill. Every run is
// bounded in time.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <cwctype>

#include "core/instance_payload.h"
#include "core/session_guard_win.h"
#include "tests/win/app_window_fixture_win.h"

using namespace std::chrono_literals;
using namespace tavrel::test;
using tavrel::win::kForwardedArgumentsTag;

namespace {

constexpr auto kLimit = 30s;

bool send_to(HWND window, UINT message, WPARAM wparam, LPARAM lparam, DWORD_PTR* result = nullptr) {
  DWORD_PTR ignored = 0;
  return SendMessageTimeoutW(window, message, wparam, lparam, SMTO_BLOCK | SMTO_ABORTIFHUNG, 5000,
                             result ? result : &ignored) != 0;
}

int tab_count(HWND main_window) {
  DWORD_PTR count = 0;
  send_to(GetDlgItem(main_window, 11), TCM_GETITEMCOUNT, 0, 0, &count);
  return static_cast<int>(count);
}

// The editor the window shows: the visible RichEdit child that is not the preview, once made.
HWND shown_editor(HWND main_window) {
  HWND found = nullptr;
  wait_until(
      [&] {
        for (HWND c = GetWindow(main_window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
          if (_wcsicmp(class_name(c).c_str(), L"RICHEDIT50W") == 0 && GetDlgCtrlID(c) != 30 &&
              IsWindowVisible(c)) {
            found = c;
          }
        }
        return found != nullptr;
      },
      10s);
  return found;
}

// The editor's text with CR line ends, as the control holds it.
std::wstring editor_text(HWND editor) {
  std::wstring text(4096, L'\0');
  DWORD_PTR copied = 0;
  send_to(editor, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), &copied);
  text.resize(copied);
  std::erase(text, L'\n');
  return text;
}

// Replaces the editor's whole text the way a paste does; the program sees an ordinary edit.
void paste_into(HWND editor, const std::wstring& text) {
  ASSERT_TRUE(send_to(editor, EM_SETSEL, 0, -1));
  ASSERT_TRUE(send_to(editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str())));
}

// A hand-over from this process as a second start sends it; nothing when there is no answer.
std::optional<DWORD_PTR> hand_over(HWND window, const std::string& bytes) {
  COPYDATASTRUCT message{static_cast<ULONG_PTR>(kForwardedArgumentsTag),
                         static_cast<DWORD>(bytes.size()), const_cast<char*>(bytes.data())};
  DWORD_PTR answer = 0;
  if (!send_to(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&message), &answer)) return {};
  return answer;
}

void close_normally(ProgramRun& run, HWND window) {
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(run.wait(kLimit), std::optional<DWORD>(0));
}

// The "text" of the one recovery snapshot in the folder, or nothing while there is none.
std::optional<std::string> snapshot_text(const std::filesystem::path& folder) {
  std::error_code ec;
  std::optional<std::string> text;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    try {
      text = nlohmann::json::parse(read_bytes(entry.path())).at("text").get<std::string>();
    } catch (const std::exception&) {
      // caught between the write of the temporary file and its move: look again
    }
  }
  return text;
}

}  // namespace

// The second start, with the profile's letter case swapped and a path relative to its own
// folder, shows no window: its files open as tabs in the first one.
TEST(ProgramRun, SecondStartHandsItsFilesOverAndEnds) {
  TempDir profile;
  TempDir other_folder;
  write_bytes(profile / "first.md", "# First\n");
  write_bytes(profile / "second.md", "# Second\n");
  write_bytes(other_folder / "third.md", "# Third\n");
  ProgramRun first({L"--profile", profile.path().native(), (profile / "first.md").native()});
  const HWND window = first.main_window();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(GetPropW(window, tavrel::win::session_name(profile.path()).c_str()),
            reinterpret_cast<HANDLE>(1));
  ASSERT_TRUE(wait_until([&] { return tab_count(window) == 1; }, 10s)) << tab_count(window);

  std::wstring swapped = profile.path().native();
  for (wchar_t& c : swapped)
    c = std::iswupper(c) ? std::towlower(c) : static_cast<wchar_t>(std::towupper(c));
  ProgramRun second({L"--profile", swapped, (profile / "second.md").native(), L"third.md"},
                    other_folder.path());
  bool second_showed_a_window = false;
  wait_until(
      [&] {
        second_showed_a_window |= !process_windows(second.pid(), L"Tavrel.Main").empty();
        return !second.running();
      },
      kLimit);
  EXPECT_EQ(second.wait(1s), std::optional<DWORD>(0));
  EXPECT_FALSE(second_showed_a_window);
  EXPECT_TRUE(wait_until([&] { return tab_count(window) == 3; }, 5s)) << tab_count(window);
  close_normally(first, window);
}

// The answer comes before the warning box, so the sender is never held behind it.
TEST(ProgramRun, MalformedHandOverIsAnsweredBeforeTheBox) {
  TempDir profile;
  ProgramRun run({L"--profile", profile.path().native()});
  const HWND window = run.main_window();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(hand_over(window, "[\"unterminated"), std::optional<DWORD_PTR>(0));
  const HWND box = run.box(10s);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(text_of(box), L"Tavrel - Could not complete action");
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(wait_until([&] { return process_windows(run.pid(), L"#32770").empty(); }, 5s));
  EXPECT_EQ(hand_over(window, "[]"), std::optional<DWORD_PTR>(1));
  close_normally(run, window);
}

TEST(ProgramRun, ClosingEndsWithZeroAndSavesTheSettings) {
  TempDir profile;
  ProgramRun run({L"--profile", profile.path().native()});
  const HWND window = run.main_window();
  ASSERT_NE(window, nullptr);
  close_normally(run, window);
  EXPECT_NO_THROW(nlohmann::json::parse(read_bytes(profile / "settings.json")).at("splitPercent"));
}

TEST(ProgramRun, UncreatableProfileShowsTheStartupBoxAndEndsWithOne) {
  TempDir folder;
  write_bytes(folder / "file", "not a folder");
  ProgramRun run({L"--profile", (folder / "file" / "profile").native()});
  const HWND box = run.box();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(text_of(box), L"Tavrel");
  EXPECT_NE(box_text(box).find(L"create_directories"), std::wstring::npos) << box_text(box);
  EXPECT_TRUE(process_windows(run.pid(), L"Tavrel.Main").empty());
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(run.wait(kLimit), std::optional<DWORD>(1));
}

TEST(ProgramRun, TypedTextSurvivesAHardKill) {
  TempDir profile;
  write_bytes(profile / "settings.json", R"({"autoSaveSeconds": 2})");
  const std::wstring typed = L"Recovered after a crash\rsecond line: \u00FC\U0001F600";
  const std::string typed_utf8 = "Recovered after a crash\nsecond line: \xC3\xBC\xF0\x9F\x98\x80";
  {
    ProgramRun first({L"--profile", profile.path().native()});
    const HWND window = first.main_window();
    ASSERT_NE(window, nullptr);
    const HWND editor = shown_editor(window);
    ASSERT_NE(editor, nullptr);
    paste_into(editor, typed);
    EXPECT_TRUE(wait_until([&] { return text_of(window).rfind(L"* ", 0) == 0; }, 5s));
    ASSERT_TRUE(
        wait_until([&] { return snapshot_text(profile / "recovery") == typed_utf8; }, kLimit));
    EXPECT_EQ(first.wait(0s), std::nullopt);  // terminated: no message reaches it, as in a crash
  }

  ProgramRun second({L"--profile", profile.path().native()});
  const HWND box = second.box(kLimit);
  ASSERT_NE(box, nullptr);
  EXPECT_NE(box_text(box).find(L"Unsaved documents were recovered. Open them now?"),
            std::wstring::npos)
      << box_text(box);
  PostMessageW(box, WM_COMMAND, IDYES, 0);
  const HWND window = second.main_window(kLimit);
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(wait_until([&] { return tab_count(window) == 2; }, 10s));  // welcome + recovered
  EXPECT_EQ(text_of(window), L"* Untitled - Tavrel");
  const HWND editor = shown_editor(window);
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor_text(editor), typed);
  EXPECT_EQ(snapshot_text(profile / "recovery"), typed_utf8);  // kept until saved or closed
}

// Real key events from the editor through the program's message loop: F11 leaves the window
// without its frame and brings it back, Ctrl+S saves the edited file, Ctrl+O asks for a file.
TEST(ProgramRun, ShortcutKeysReachTheirCommandsFromTheEditor) {
  TempDir profile;
  write_bytes(profile / "note.md", "old\n");
  ProgramRun run({L"--profile", profile.path().native(), (profile / "note.md").native()});
  const HWND window = run.main_window();
  ASSERT_NE(window, nullptr);
  const HWND editor = shown_editor(window);
  ASSERT_NE(editor, nullptr);
  const auto framed = [&] { return (GetWindowLongW(window, GWL_STYLE) & WS_CAPTION) != 0; };
  PostMessageW(editor, WM_KEYDOWN, VK_F11, 1);
  EXPECT_TRUE(wait_until([&] { return !framed(); }, 5s));
  PostMessageW(editor, WM_KEYDOWN, VK_F11, 1);
  EXPECT_TRUE(wait_until(framed, 5s));

  paste_into(editor, L"new");
  SetForegroundWindow(window);
  const auto ctrl_key = [](WORD key) {
    INPUT in[4] = {};
    for (int i = 0; i < 4; ++i) {
      in[i].type = INPUT_KEYBOARD;
      in[i].ki = {i == 0 || i == 3 ? WORD{VK_CONTROL} : key, 0, i < 2 ? 0u : KEYEVENTF_KEYUP};
    }
    return SendInput(4, in, sizeof(INPUT));
  };
  ASSERT_EQ(ctrl_key('S'), 4u);
  EXPECT_TRUE(
      wait_until([&] { return read_bytes(profile / "note.md").rfind("new", 0) == 0; }, 10s));
  ASSERT_EQ(ctrl_key('O'), 4u);
  const HWND dialog = run.box(10s);
  ASSERT_NE(dialog, nullptr);
  PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  close_normally(run, window);
}
