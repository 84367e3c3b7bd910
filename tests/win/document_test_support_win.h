#pragma once
// A hidden main window of this process with a temporary profile, for the tests of editors,
// documents, the preview and the workspace scan; the modal questions are answered by the test.
#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/app_win.h"
#include "tests/portable/test_support.h"
#include "ui/editor_win.h"
#include "ui/main_window_win.h"
#include "tests/win/window_test_support_win.h"

namespace tavrel::test {

// One question the App asked through its message box.
struct AskedQuestion {
  HWND owner;
  std::wstring text;
  std::wstring caption;
  UINT type;
};

class DocumentWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { tavrel::test::load_window_libraries(); }

  void SetUp() override {
    app_ = std::make_unique<win::App>(
        GetModuleHandleW(nullptr), false,
        std::vector<std::wstring>{L"tavrel.exe", L"--profile", profile_.path().native()});
    app_->create_window();
    ASSERT_NE(app_->main_window, nullptr);
    SetWindowPos(app_->main_window, nullptr, 0, 0, 1200, 800, SWP_NOZORDER | SWP_NOACTIVATE);
    app_->message_box = [this](HWND owner, const std::wstring& text, const std::wstring& caption,
                               UINT type) {
      asked_.push_back(AskedQuestion{owner, text, caption, type});
      if (answers_.empty()) return 0;
      const int answer = answers_.front();
      answers_.pop_front();
      return answer;
    };
    app_->choose_save_path = [this](HWND,
                                    const std::wstring& suggested) -> std::optional<std::wstring> {
      suggested_paths_.push_back(suggested);
      return save_path_;
    };
  }

  void TearDown() override {
    finish_jobs();
    win::release_main_window(*app_);
    app_.reset();
    MSG message;
    while (PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {}
  }

  // Collects renders and scans until none is pending (a collection may start the next one).
  void finish_jobs() {
    for (int round = 0; round < 20 && (app_->render_future.valid() || app_->scan_future.valid());
         ++round) {
      if (app_->render_future.valid()) app_->render_future.wait();
      if (app_->scan_future.valid()) app_->scan_future.wait();
      app_->poll_jobs();
    }
  }

  win::Document& active() { return *app_->current_document(); }
  HWND editor() { return active().editor; }
  std::string editor_text() { return win::richedit_text_utf8(editor()); }
  std::string preview_text() { return win::richedit_text_utf8(app_->preview_edit); }

  // Types `text` at the end of the active editor, as the user would: the control reports it.
  void type_at_end(const std::wstring& text) {
    CHARRANGE end{-1, -1};
    SendMessageW(editor(), EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&end));
    SendMessageW(editor(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
  }

  void select(LONG start, LONG end) {
    CHARRANGE range{start, end};
    SendMessageW(editor(), EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
  }

  CHARRANGE selection() {
    CHARRANGE range{};
    SendMessageW(editor(), EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    return range;
  }

  std::wstring title() {
    wchar_t text[256] = {};
    GetWindowTextW(app_->main_window, text, 256);
    return text;
  }

  std::filesystem::path recovery_file(const win::Document& document) {
    return profile_.path() / "recovery" / (document.id + ".json");
  }

  void plant_recovery_file(const win::Document& document) {
    write_bytes(recovery_file(document), "{}");
  }

  // Whether App::remove_recovery_file deletes files yet; the checks that a dropped document's
  // file is gone wait for it.
  static bool recovery_removal_built() {
    TempDir profile;
    win::App app(GetModuleHandleW(nullptr), false,
                 std::vector<std::wstring>{L"tavrel.exe", L"--profile", profile.path().native()});
    win::Document document;
    document.id = "{00000000-0000-0000-0000-000000000001}";
    const std::filesystem::path file = profile.path() / "recovery" / (document.id + ".json");
    write_bytes(file, "{}");
    app.remove_recovery_file(document);
    return !std::filesystem::exists(file);
  }

  TempDir profile_;
  TempDir files_;
  std::unique_ptr<win::App> app_;
  std::deque<int> answers_;
  std::vector<AskedQuestion> asked_;
  std::optional<std::wstring> save_path_;
  std::vector<std::wstring> suggested_paths_;
};

}  // namespace tavrel::test
