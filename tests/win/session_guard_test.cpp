// The per-profile guard in one process: the mutex, the marked window taking the files and a
// window that refuses them.
#include "core/session_guard_win.h"

#include <gtest/gtest.h>

#include "core/instance_payload.h"
#include "tests/win/app_window_fixture_win.h"

using namespace tavrel::win;
using tavrel::test::AppWindowTest;
using tavrel::test::error_text;

namespace {

LRESULT CALLBACK refusing_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return message == WM_COPYDATA ? 0 : DefWindowProcW(window, message, wparam, lparam);
}

class SessionGuardTest : public AppWindowTest {
 protected:
  // Marks `window` as the running instance of this profile.
  void mark(HWND window) {
    SetPropW(window, session_name(profile_.path()).c_str(), reinterpret_cast<HANDLE>(1));
  }

  const wchar_t* no_files_[1] = {L"tavrel.exe"};
};

}  // namespace

TEST_F(SessionGuardTest, FirstStartOwnsTheProfileUntilItsLastHandleGoes) {
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
}

TEST_F(SessionGuardTest, LaterStartHandsOverToTheMarkedWindowOrFailsAsBusy) {
  SessionGuard first;
  ASSERT_FALSE(acquire_session(first, *app_, 1, no_files_));
  mark(app_->main_window);
  tavrel::test::write_bytes(files_ / "x.md", "# x\n");
  const std::wstring file = (files_ / "x.md").native();
  const wchar_t* arguments[] = {L"tavrel.exe", file.c_str()};
  SessionGuard second;
  EXPECT_TRUE(acquire_session(second, *app_, 2, arguments));
  EXPECT_EQ(tab_texts(), std::vector<std::wstring>{L"x.md"});
  RemovePropW(app_->main_window, session_name(profile_.path()).c_str());

  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = refusing_window_proc;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = L"Tavrel.Test.Refusing";
  RegisterClassExW(&window_class);
  const HWND refusing = CreateWindowExW(0, window_class.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 10,
                                        10, nullptr, nullptr, window_class.hInstance, nullptr);
  mark(refusing);
  SessionGuard third;
  EXPECT_EQ(error_text([&] { acquire_session(third, *app_, 1, no_files_); }),
            "The existing Tavrel window is busy. Please try again.");
  RemovePropW(refusing, session_name(profile_.path()).c_str());
  DestroyWindow(refusing);
}
