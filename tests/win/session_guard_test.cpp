// The per-profile guard and the hand-over in one process: the payload a second start builds,
// the mutex, finding the marked window, and the running window's answers.
#include "core/session_guard_win.h"

#include <gtest/gtest.h>
#include <commctrl.h>

#include <chrono>
#include <cwctype>
#include <memory>
#include <nlohmann/json.hpp>

#include "core/instance_payload.h"
#include "core/text_convert.h"
#include "tests/portable/test_support.h"
#include "tests/win/window_test_support_win.h"
#include "ui/main_window_win.h"

using namespace tavrel::win;
using tavrel::test::BoxWatcher;
using tavrel::test::error_text;
using tavrel::test::TempDir;

namespace {

std::wstring upper_case(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towupper(c));
  return text;
}

std::vector<std::wstring> profile_arguments(const TempDir& dir) {
  return {L"tavrel.exe", L"--profile", dir.path().native()};
}

class CurrentFolder {
 public:
  explicit CurrentFolder(const std::filesystem::path& folder)
      : saved_(std::filesystem::current_path()) {
    std::filesystem::current_path(folder);
  }
  ~CurrentFolder() { std::filesystem::current_path(saved_); }

 private:
  std::filesystem::path saved_;
};

// A running App with its window marked as the instance of `profile`.
class RunningInstance {
 public:
  explicit RunningInstance(const TempDir& profile)
      : app_(GetModuleHandleW(nullptr), false, profile_arguments(profile)) {
    tavrel::test::load_window_libraries();
    app_.create_window();
    name_ = session_name(profile.path());
    SetPropW(app_.main_window, name_.c_str(), reinterpret_cast<HANDLE>(1));
  }
  ~RunningInstance() {
    RemovePropW(app_.main_window, name_.c_str());
    release_main_window(app_);
  }
  App& app() { return app_; }

  LRESULT send(std::uint64_t tag, const void* data, size_t size) {
    COPYDATASTRUCT message{static_cast<ULONG_PTR>(tag), static_cast<DWORD>(size),
                           const_cast<void*>(data)};
    return SendMessageW(app_.main_window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&message));
  }
  LRESULT send(std::string_view json) {
    return send(kForwardedArgumentsTag, json.data(), json.size());
  }

 private:
  App app_;
  std::wstring name_;
};

LRESULT CALLBACK refusing_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_COPYDATA) return 0;
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

TEST(HandOverPayload, PathsAreMadeAbsoluteAgainstTheCurrentFolder) {
  TempDir folder;
  CurrentFolder here(folder.path());
  const std::wstring elsewhere = (folder / "sub" / "b.md").native();
  const wchar_t* arguments[] = {L"tavrel.exe", L"--profile",   L"P",
                                L"a.md",       L"--benchmark", elsewhere.c_str()};
  const ForwardedArguments payload = forward_arguments(6, arguments);
  const nlohmann::json list = nlohmann::json::parse(payload.json);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(to_wide(list[0].get<std::string>()), std::filesystem::absolute(L"a.md").native());
  EXPECT_EQ(to_wide(list[1].get<std::string>()), elsewhere);

  const COPYDATASTRUCT message = payload.message();
  EXPECT_EQ(message.dwData, kForwardedArgumentsTag);
  EXPECT_EQ(message.cbData, payload.json.size());
  EXPECT_EQ(message.lpData, payload.json.data());
}

TEST(HandOverPayload, NoFilesSendAnEmptyList) {
  const wchar_t* arguments[] = {L"tavrel.exe", L"--profile"};
  EXPECT_EQ(forward_arguments(2, arguments).json, "[]");
}

TEST(SessionGuard, LetterCaseOfTheProfileDoesNotMatter) {
  TempDir profile;
  EXPECT_EQ(session_name(profile.path()), session_name(upper_case(profile.path().native())));
  EXPECT_EQ(session_name(profile.path()).rfind(L"Tavrel.Profile.", 0), 0u);
}

TEST(SessionGuard, FirstStartOwnsTheProfileAndALaterOneWaitsForItsWindow) {
  TempDir profile;
  App app(GetModuleHandleW(nullptr), false, profile_arguments(profile));
  const wchar_t* arguments[] = {L"tavrel.exe"};
  SessionGuard first;
  EXPECT_FALSE(acquire_session(first, app, 1, arguments));
  EXPECT_NE(first.mutex, nullptr);
  EXPECT_EQ(first.name, session_name(profile.path()));

  SessionGuard second;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(error_text([&] { acquire_session(second, app, 1, arguments); }),
            "Another Tavrel session is starting. Please try again.");
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1900));

  first.close();
  second.close();
  SessionGuard third;
  EXPECT_FALSE(acquire_session(third, app, 1, arguments));  // the guard ends with its last handle
}

TEST(SessionGuard, SecondStartHandsOverToTheMarkedWindow) {
  TempDir profile;
  RunningInstance running(profile);
  SessionGuard first;
  const wchar_t* none[] = {L"tavrel.exe"};
  ASSERT_FALSE(acquire_session(first, running.app(), 1, none));

  App second_app(GetModuleHandleW(nullptr), false, profile_arguments(profile));
  SessionGuard second;
  tavrel::test::write_bytes(profile / "x.md", "# x\n");  // the running window opens it at once
  const std::wstring file = (profile / "x.md").native();
  const wchar_t* arguments[] = {L"tavrel.exe", file.c_str()};
  EXPECT_TRUE(acquire_session(second, second_app, 2, arguments));
}

TEST(SessionGuard, AWindowThatRefusesMakesTheStartFailAsBusy) {
  TempDir profile;
  App app(GetModuleHandleW(nullptr), false, profile_arguments(profile));
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = refusing_window_proc;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = L"Tavrel.Test.Refusing";
  RegisterClassExW(&window_class);
  const HWND refusing = CreateWindowExW(0, window_class.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 10,
                                        10, nullptr, nullptr, window_class.hInstance, nullptr);
  const std::wstring name = session_name(profile.path());
  SetPropW(refusing, name.c_str(), reinterpret_cast<HANDLE>(1));

  SessionGuard first;
  const wchar_t* arguments[] = {L"tavrel.exe"};
  ASSERT_FALSE(acquire_session(first, app, 1, arguments));
  SessionGuard second;
  EXPECT_EQ(error_text([&] { acquire_session(second, app, 1, arguments); }),
            "The existing Tavrel window is busy. Please try again.");
  RemovePropW(refusing, name.c_str());
  DestroyWindow(refusing);
}

TEST(HandOverReceiver, AcceptsWholeListsAndRefusesEverythingElse) {
  TempDir profile;
  RunningInstance running(profile);
  BoxWatcher watcher;
  EXPECT_EQ(SendMessageW(running.app().main_window, WM_COPYDATA, 0, 0), 0);
  EXPECT_EQ(running.send(0x54565232, "[]", 2), 0);  // another tag
  EXPECT_EQ(running.send(kForwardedArgumentsTag, nullptr, 2), 0);
  EXPECT_EQ(running.send(R"({"a":"b"})"), 0);  // not a list
  EXPECT_EQ(running.send(R"([3,"C:\\b.md"])"), 0);
  EXPECT_EQ(running.send(R"(["C:\\a.md\u0000.txt"])"), 0);  // would open a shorter path
  const std::string large = "[\"" + std::string(kMaxForwardedArgumentsBytes, 'a') + "\"]";
  EXPECT_EQ(running.send(large), 0);
  EXPECT_TRUE(watcher.boxes().empty());  // refusals are silent

  EXPECT_EQ(running.send("[]"), 1);
  EXPECT_EQ(running.send(R"(["C:\\missing\\a.md","C:\\missing\\b.md"])"), 1);
  EXPECT_EQ(running.send(R"(["C:\\missing\\a.md",3,"C:\\missing\\b.md"])"), 0);  // cut short
  const std::string exact = "[\"" + std::string(kMaxForwardedArgumentsBytes - 4, 'a') + "\"]";
  EXPECT_EQ(running.send(exact), 1);
}

TEST(HandOverReceiver, MalformedTextIsRefusedWithTheWarningBox) {
  TempDir profile;
  RunningInstance running(profile);
  BoxWatcher watcher;
  EXPECT_EQ(running.send("[\"C:\\\\a.md\""), 0);
  ASSERT_EQ(watcher.boxes().size(), 1u);
  EXPECT_EQ(watcher.boxes()[0].title, L"Tavrel - Could not complete action");
  EXPECT_EQ(running.send("[]"), 1);  // still answering
}
