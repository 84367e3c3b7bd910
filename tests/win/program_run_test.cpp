// One instance per profile (the guard in this process), then the real program end to end, each
// run bounded: hand-overs, closing, a failed start, typed text surviving a hard kill.
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
using namespace tavrel::win;

namespace fs = std::filesystem;

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

// The visible RichEdit child that is not the preview, once made.
HWND shown_editor(HWND main_window) {
  HWND found = nullptr;
  wait_until(
      [&] {
        for (HWND c = nullptr; (c = FindWindowExW(main_window, c, L"RICHEDIT50W", nullptr));) {
          if (GetDlgCtrlID(c) != 30 && IsWindowVisible(c)) found = c;
        }
        return found != nullptr;
      },
      10s);
  return found;
}

// Replaces the editor's whole text as a paste does.
void paste_into(HWND editor, const std::wstring& text) {
  ASSERT_TRUE(send_to(editor, EM_SETSEL, 0, -1));
  ASSERT_TRUE(send_to(editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str())));
}

// A hand-over as a second start sends it; nothing when there is no answer.
std::optional<DWORD_PTR> hand_over(HWND window, const std::string& bytes) {
  COPYDATASTRUCT message{static_cast<ULONG_PTR>(kForwardedArgumentsTag),
                         static_cast<DWORD>(bytes.size()), const_cast<char*>(bytes.data())};
  DWORD_PTR answer = 0;
  if (!send_to(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&message), &answer)) return {};
  return answer;
}

// The "text" of the one recovery snapshot in the folder, or nothing while there is none.
std::optional<std::string> snapshot_text(const fs::path& folder) {
  std::error_code ec;
  std::optional<std::string> text;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    try {
      text = nlohmann::json::parse(read_bytes(entry.path())).at("text").get<std::string>();
    } catch (const std::exception&) {
      // caught between the write of the temporary file and its move: look again
    }
  }
  return text;
}

// The isolated folder of a self-test run, named after its process id; removed at the end.
struct SelfTestProfile {
  fs::path path;
  void name_after(DWORD pid) {
    path = fs::temp_directory_path() / ("Tavrel-smoke-" + std::to_string(pid));
  }
  ~SelfTestProfile() {
    std::error_code ec;
    if (!path.empty()) fs::remove_all(path, ec);
  }
};

constexpr auto kSelfTestLimit = 180s;  // a whole self-test run under a loaded Wine

class SessionGuardTest : public AppWindowTest {
 protected:
  // Marks `window` as the running instance of this profile.
  void mark(HWND window) {
    SetPropW(window, session_name(profile_.path()).c_str(), reinterpret_cast<HANDLE>(1));
  }
  const wchar_t* no_files_[1] = {L"tavrel.exe"};
};

}  // namespace

// The first start owns the profile until its last handle goes; later ones hand over to the
// marked window or fail as busy.
TEST_F(SessionGuardTest, FirstStartOwnsTheProfileLaterOnesHandOverOrFailAsBusy) {
  SessionGuard first;
  EXPECT_FALSE(acquire_session(first, *app_, 1, no_files_));
  EXPECT_EQ(first.name, session_name(profile_.path()));
  SessionGuard second;  // no marked window appears while it waits
  EXPECT_EQ(error_text([&] { acquire_session(second, *app_, 1, no_files_); }),
            "Another Tavrel session is starting. Please try again.");
  first.close();
  second.close();
  SessionGuard third;
  EXPECT_FALSE(acquire_session(third, *app_, 1, no_files_));
  mark(app_->main_window);  // the files it hands over: SecondStartHandsItsFilesOverAndEnds
  SessionGuard fourth;
  EXPECT_TRUE(acquire_session(fourth, *app_, 1, no_files_));
  RemovePropW(app_->main_window, session_name(profile_.path()).c_str());
  // A static control answers WM_COPYDATA with 0, a refusal.
  const HWND refusing = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                        nullptr, nullptr, nullptr);
  mark(refusing);
  SessionGuard fifth;
  EXPECT_EQ(error_text([&] { acquire_session(fifth, *app_, 1, no_files_); }),
            "The existing Tavrel window is busy. Please try again.");
  RemovePropW(refusing, session_name(profile_.path()).c_str());
  DestroyWindow(refusing);
}

// A second start (profile case swapped, a relative path) shows no window; its files open here.
TEST(ProgramRun, SecondStartHandsItsFilesOverAndEnds) {
  TempDir profile, other_folder;
  for (const fs::path& file :
       {profile / "first.md", profile / "second.md", other_folder / "third.md"})
    write_bytes(file, "# Notes\n");
  ProgramRun first({L"--profile", profile.path().native(), (profile / "first.md").native()});
  const HWND window = first.window();
  ASSERT_NE(window, nullptr);
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
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(first.wait(kLimit), std::optional<DWORD>(0));
}

// The answer comes before the warning box, so the sender is never held behind it.
TEST(ProgramRun, MalformedHandOverIsAnsweredBeforeTheBoxAndClosingSavesSettings) {
  TempDir profile;
  ProgramRun run({L"--profile", profile.path().native()});
  const HWND window = run.window();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(hand_over(window, "[\"unterminated"), std::optional<DWORD_PTR>(0));
  const HWND box = run.window(L"#32770", 10s);
  ASSERT_NE(box, nullptr);
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(wait_until([&] { return process_windows(run.pid(), L"#32770").empty(); }, 5s));
  EXPECT_EQ(hand_over(window, "[]"), std::optional<DWORD_PTR>(1));
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(run.wait(kLimit), std::optional<DWORD>(0));  // and the settings are saved
  EXPECT_NO_THROW(nlohmann::json::parse(read_bytes(profile / "settings.json")).at("splitPercent"));
}

TEST(ProgramRun, UncreatableProfileShowsTheStartupBoxAndEndsWithOne) {
  TempDir folder;
  write_bytes(folder / "file", "not a folder");
  ProgramRun run({L"--profile", (folder / "file" / "profile").native()});
  const HWND box = run.window(L"#32770");
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(has(box_text(box), L"create_directories")) << box_text(box);
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
    const HWND window = first.window();
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
  const HWND box = second.window(L"#32770", kLimit);
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(has(box_text(box), L"Unsaved documents were recovered. Open them now?"))
      << box_text(box);
  PostMessageW(box, WM_COMMAND, IDYES, 0);
  const HWND window = second.window(L"Tavrel.Main", kLimit);
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(wait_until([&] { return tab_count(window) == 2; }, 10s));  // welcome + recovered
  const HWND editor = shown_editor(window);
  ASSERT_NE(editor, nullptr);
  std::wstring shown(4096, L'\0');  // GetWindowText would not ask another process's window
  DWORD_PTR copied = 0;
  send_to(editor, WM_GETTEXT, shown.size(), reinterpret_cast<LPARAM>(shown.data()), &copied);
  shown.resize(copied);
  std::erase(shown, L'\n');  // the control's CR line ends, as typed
  EXPECT_EQ(shown, typed);
  EXPECT_EQ(snapshot_text(profile / "recovery"), typed_utf8);  // kept until saved or closed
}

// Real key events from the editor through the program's message loop: F11 leaves the window
// without its frame and brings it back, Ctrl+S saves the edited file, Ctrl+O asks for a file.
// Keyboard input goes to the desktop's foreground window, so this suite runs on its own, never
// beside the other test processes (see cmake/gtest_shards.cmake).
TEST(DesktopInput, ShortcutKeysReachTheirCommandsFromTheEditor) {
  TempDir profile;
  write_bytes(profile / "note.md", "old\n");
  ProgramRun run({L"--profile", profile.path().native(), (profile / "note.md").native()});
  const HWND window = run.window();
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
      in[i].ki = {i == 0 || i == 3 ? WORD{VK_CONTROL} : key, 0, i < 2 ? 0u : KEYEVENTF_KEYUP, 0, 0};
    }
    return SendInput(4, in, sizeof(INPUT));
  };
  ASSERT_EQ(ctrl_key('S'), 4u);
  EXPECT_TRUE(
      wait_until([&] { return read_bytes(profile / "note.md").rfind("new", 0) == 0; }, 10s));
  ASSERT_EQ(ctrl_key('O'), 4u);
  const HWND dialog = run.window(L"#32770", 10s);
  ASSERT_NE(dialog, nullptr);
  PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  EXPECT_TRUE(wait_until([&] { return process_windows(run.pid(), L"#32770").empty(); }, 10s));
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(run.wait(kLimit), std::optional<DWORD>(0));
}

// Process ids come round again (a fresh Wine server hands out the same ones): a self-test run
// whose folder an earlier run left behind, with the file the suite saves to and that run's
// error, starts from an empty folder and passes.
TEST(ProgramRun, SelfTestOverALeftoverFolderOfItsNameStartsEmptyAndPasses) {
  SelfTestProfile profile;
  ProgramRun run({L"--smoke-test"}, {}, fs::path(TAVREL_EXE).make_preferred(), [&](DWORD pid) {
    profile.name_after(pid);
    fs::create_directories(profile.path / "history" / "left-over");
    write_bytes(profile.path / "native-test.md", "# Saved by an earlier run\n");
    write_bytes(profile.path / "test-error.txt", "Left over");
  });
  EXPECT_EQ(run.wait(kSelfTestLimit), std::optional<DWORD>(0))
      << read_bytes(profile.path / "test-error.txt");
  EXPECT_FALSE(fs::exists(profile.path / "test-error.txt"));
  EXPECT_FALSE(fs::exists(profile.path / "history" / "left-over"));
  EXPECT_EQ(nlohmann::json::parse(read_bytes(profile.path / "native-report.json")).at("passed"),
            true);
}

// Nobody answers a self-test run: the warning box about a file that cannot be opened ends it
// with exit code 2 and its text in test-error.txt, where it would otherwise wait for ever.
TEST(ProgramRun, BoxInASelfTestRunEndsItWithExitCodeTwoAndNamesTheBox) {
  TempDir files;
  SelfTestProfile profile;
  ProgramRun run({L"--smoke-test", (files / "missing.md").native()});
  profile.name_after(run.pid());
  EXPECT_EQ(run.wait(kSelfTestLimit), std::optional<DWORD>(2));
  const std::string reason = read_bytes(profile.path / "test-error.txt");
  EXPECT_TRUE(has(reason, "\"Tavrel - Could not complete action\"")) << reason;
  EXPECT_TRUE(has(reason, "missing.md")) << reason;
  EXPECT_FALSE(fs::exists(profile.path / "native-report.json"));
}
