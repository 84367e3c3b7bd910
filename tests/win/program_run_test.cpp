// The real program, end to end, each run with its own temporary profile: one instance per
// profile, the hand-over of a second start, refused hand-overs, closing, the self-test mode and a
// failed start. Every run is bounded in time and terminated if it hangs.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cwctype>

#include "core/instance_payload.h"
#include "core/session_guard_win.h"
#include "tests/portable/test_support.h"
#include "tests/win/window_test_support_win.h"

using namespace std::chrono_literals;
using tavrel::test::box_text;
using tavrel::test::process_windows;
using tavrel::test::ProgramRun;
using tavrel::test::read_bytes;
using tavrel::test::TempDir;
using tavrel::test::text_of;
using tavrel::test::wait_until;
using tavrel::test::write_bytes;
using tavrel::win::kForwardedArgumentsTag;
using tavrel::win::session_name;

namespace {

constexpr auto kRunLimit = 20s;

int tab_count(HWND main_window) {
  return static_cast<int>(SendMessageW(GetDlgItem(main_window, 11), TCM_GETITEMCOUNT, 0, 0));
}

// Sends a hand-over from this process as a second start would; nothing when it gets no answer.
std::optional<DWORD_PTR> hand_over(HWND window, std::uint64_t tag, const std::string& bytes) {
  COPYDATASTRUCT message{static_cast<ULONG_PTR>(tag), static_cast<DWORD>(bytes.size()),
                         const_cast<char*>(bytes.data())};
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&message),
                           SMTO_BLOCK | SMTO_ABORTIFHUNG, 5000, &answer)) {
    return std::nullopt;
  }
  return answer;
}

std::wstring swap_case(std::wstring text) {
  for (wchar_t& c : text)
    c = std::iswupper(c) ? std::towlower(c) : static_cast<wchar_t>(std::towupper(c));
  return text;
}

// Closes the run's window and expects the normal end.
void close_normally(ProgramRun& run, HWND window) {
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(run.wait(kRunLimit), std::optional<DWORD>(0));
}

}  // namespace

TEST(ProgramRun, FirstStartShowsTheMarkedWindow) {
  TempDir profile;
  write_bytes(profile / "first.md", "# First\n");
  ProgramRun first({L"--profile", profile.path().native(), (profile / "first.md").native()});
  ASSERT_TRUE(first.started());
  const HWND window = first.main_window();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(GetPropW(window, session_name(profile.path()).c_str()), reinterpret_cast<HANDLE>(1));
  EXPECT_NE(GetDlgItem(window, 30), nullptr);
  close_normally(first, window);
}

TEST(ProgramRun, SecondStartHandsItsFilesOverAndEnds) {
  TempDir profile;
  TempDir other_folder;
  write_bytes(profile / "first.md", "# First\n");
  write_bytes(profile / "second.md", "# Second\n");
  write_bytes(other_folder / "third.md", "# Third\n");
  ProgramRun first({L"--profile", profile.path().native(), (profile / "first.md").native()});
  const HWND window = first.main_window();
  ASSERT_NE(window, nullptr);
  const int tabs_before = tab_count(window);

  ProgramRun second(
      {L"--profile", profile.path().native(), (profile / "second.md").native(), L"third.md"},
      other_folder.path());
  bool second_showed_a_window = false;
  wait_until(
      [&] {
        second_showed_a_window |= !process_windows(second.pid(), L"Tavrel.Main").empty();
        return !second.running();
      },
      kRunLimit);
  EXPECT_EQ(second.wait(1s), std::optional<DWORD>(0));
  EXPECT_FALSE(second_showed_a_window);
  EXPECT_TRUE(first.running());

  if (tabs_before == 0) {
    close_normally(first, window);
    GTEST_SKIP() << "needs documents: the running window holds no tabs yet";
  }
  EXPECT_TRUE(wait_until([&] { return tab_count(window) == 3; }, 5s)) << tab_count(window);
  close_normally(first, window);
}

// The second start brings the running window back when it is minimised, and leaves a maximised
// one maximised.
TEST(ProgramRun, SecondStartRestoresAMinimisedWindowOnly) {
  TempDir profile;
  ProgramRun first({L"--profile", profile.path().native()});
  const HWND window = first.main_window();
  ASSERT_NE(window, nullptr);

  SendMessageTimeoutW(window, WM_SYSCOMMAND, SC_MAXIMIZE, 0, SMTO_BLOCK, 5000, nullptr);
  ASSERT_TRUE(wait_until([&] { return IsZoomed(window) != 0; }, 5s));
  ProgramRun maximised_case({L"--profile", profile.path().native()});
  EXPECT_EQ(maximised_case.wait(kRunLimit), std::optional<DWORD>(0));
  EXPECT_TRUE(IsZoomed(window));

  SendMessageTimeoutW(window, WM_SYSCOMMAND, SC_MINIMIZE, 0, SMTO_BLOCK, 5000, nullptr);
  ASSERT_TRUE(wait_until([&] { return IsIconic(window) != 0; }, 5s));
  ProgramRun minimised_case({L"--profile", profile.path().native()});
  EXPECT_EQ(minimised_case.wait(kRunLimit), std::optional<DWORD>(0));
  EXPECT_TRUE(wait_until([&] { return IsIconic(window) == 0; }, 5s));
  close_normally(first, window);
}

TEST(ProgramRun, ProfileFoldersDifferingInLetterCaseShareOneInstance) {
  TempDir profile;
  ProgramRun first({L"--profile", profile.path().native()});
  const HWND window = first.main_window();
  ASSERT_NE(window, nullptr);
  ProgramRun second({L"--profile", swap_case(profile.path().native())});
  EXPECT_EQ(second.wait(kRunLimit), std::optional<DWORD>(0));
  close_normally(first, window);
}

TEST(ProgramRun, AnotherProfileRunsBesideIt) {
  TempDir profile_a;
  TempDir profile_b;
  ProgramRun first({L"--profile", profile_a.path().native()});
  const HWND window_a = first.main_window();
  ASSERT_NE(window_a, nullptr);
  ProgramRun second({L"--profile", profile_b.path().native()});
  const HWND window_b = second.main_window();
  ASSERT_NE(window_b, nullptr);
  EXPECT_NE(window_a, window_b);
  EXPECT_EQ(GetPropW(window_b, session_name(profile_b.path()).c_str()),
            reinterpret_cast<HANDLE>(1));
  close_normally(second, window_b);
  EXPECT_TRUE(first.running());
  close_normally(first, window_a);
}

TEST(ProgramRun, RefusedHandOversAreAnsweredZeroAndOpenNothing) {
  TempDir profile;
  ProgramRun run({L"--profile", profile.path().native()});
  const HWND window = run.main_window();
  ASSERT_NE(window, nullptr);
  const int tabs_before = tab_count(window);
  const std::string oversized = "[\"" + std::string(0x100000, 'a') + "\"]";
  EXPECT_EQ(hand_over(window, kForwardedArgumentsTag, oversized), std::optional<DWORD_PTR>(0));
  EXPECT_EQ(hand_over(window, 0x12345678, "[]"), std::optional<DWORD_PTR>(0));
  EXPECT_EQ(hand_over(window, kForwardedArgumentsTag, "{\"a\":1}"), std::optional<DWORD_PTR>(0));
  EXPECT_EQ(hand_over(window, kForwardedArgumentsTag, "[1]"), std::optional<DWORD_PTR>(0));
  EXPECT_EQ(hand_over(window, kForwardedArgumentsTag, "[\"C:\\\\a.md\\u0000b\"]"),
            std::optional<DWORD_PTR>(0));
  EXPECT_EQ(tab_count(window), tabs_before);
  EXPECT_TRUE(process_windows(run.pid(), L"#32770").empty());
  EXPECT_EQ(hand_over(window, kForwardedArgumentsTag, "[]"), std::optional<DWORD_PTR>(1));
  close_normally(run, window);
}

// The answer comes before the warning box, so the sender is never held behind it.
TEST(ProgramRun, MalformedHandOverIsAnsweredBeforeTheBox) {
  TempDir profile;
  ProgramRun run({L"--profile", profile.path().native()});
  const HWND window = run.main_window();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(hand_over(window, kForwardedArgumentsTag, "[\"unterminated"),
            std::optional<DWORD_PTR>(0));
  const HWND box = run.box(10s);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(text_of(box), L"Tavrel - Could not complete action");
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(wait_until([&] { return process_windows(run.pid(), L"#32770").empty(); }, 5s));
  EXPECT_EQ(hand_over(window, kForwardedArgumentsTag, "[]"), std::optional<DWORD_PTR>(1));
  close_normally(run, window);
}

TEST(ProgramRun, ClosingEndsWithZeroAndSavesTheSettings) {
  TempDir profile;
  ProgramRun run({L"--profile", profile.path().native()});
  const HWND window = run.main_window();
  ASSERT_NE(window, nullptr);
  close_normally(run, window);
  EXPECT_FALSE(read_bytes(profile / "settings.json").empty());
}

// Self-test mode takes no guard and shows nothing; its exit code is the suite's result, with the
// failure written beside it.
TEST(ProgramRun, SelfTestModeReportsItsResult) {
  ProgramRun run({L"--smoke-test"});
  ASSERT_TRUE(run.started());
  bool shown = false;
  wait_until(
      [&] {
        for (HWND w : process_windows(run.pid(), L"Tavrel.Main")) shown |= IsWindowVisible(w) != 0;
        return !run.running();
      },
      60s);
  const std::optional<DWORD> code = run.wait(1s);
  const std::filesystem::path profile =
      std::filesystem::temp_directory_path() / ("Tavrel-smoke-" + std::to_string(run.pid()));
  const bool error_written = std::filesystem::exists(profile / "test-error.txt");
  std::error_code ec;
  std::filesystem::remove_all(profile, ec);
  EXPECT_FALSE(shown);
  ASSERT_TRUE(code == 0u || code == 2u) << (code ? *code : 999u);
  EXPECT_EQ(error_written, *code == 2u);
}

TEST(ProgramRun, FailedStartShowsTheStartupBoxAndEndsWithOne) {
  TempDir folder;
  write_bytes(folder / "file", "not a folder");
  ProgramRun run({L"--profile", (folder / "file" / "profile").native()});
  const HWND box = run.box();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(text_of(box), L"Tavrel");
  EXPECT_NE(box_text(box).find(L"create_directories"), std::wstring::npos) << box_text(box);
  EXPECT_TRUE(process_windows(run.pid(), L"Tavrel.Main").empty());
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(run.wait(kRunLimit), std::optional<DWORD>(1));
}
