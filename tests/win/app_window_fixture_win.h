#pragma once
// The one base of the Win32 window tests: a hidden main window of this process on a temporary
// profile, its questions and save dialog answered by the test, edits typed into the editor so
// that the change notice reaches the window procedure as it does in the program.
#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/app_win.h"
#include "core/handles_win.h"
#include "tests/portable/test_support.h"
#include "tests/win/window_test_support_win.h"
#include "ui/editor_win.h"
#include "ui/main_window_win.h"

namespace tavrel::test {

// Moves the file's last-write time one hour on, as another program's save would.
inline void touch_later(const std::filesystem::path& path) {
  win::UniqueFile file(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                   nullptr));
  ASSERT_TRUE(file);
  FILETIME time{};
  GetFileTime(file.get(), nullptr, nullptr, &time);
  ULARGE_INTEGER value{{time.dwLowDateTime, time.dwHighDateTime}};
  value.QuadPart += 36000000000ull;
  time = FILETIME{value.LowPart, value.HighPart};
  ASSERT_TRUE(SetFileTime(file.get(), nullptr, nullptr, &time));
}

class AppWindowTest : public ::testing::Test {
 protected:
  struct Question {
    HWND owner;
    std::wstring text;
    std::wstring caption;
    UINT type;
  };

  static void SetUpTestSuite() { load_window_libraries(); }

  void SetUp() override {
    app_ = std::make_unique<win::App>(
        GetModuleHandleW(nullptr), false,
        std::vector<std::wstring>{L"tavrel.exe", L"--profile", profile_.path().native()});
    app_->create_window();
    ASSERT_NE(app_->main_window, nullptr);
    SetWindowPos(app_->main_window, nullptr, 0, 0, 1200, 800, SWP_NOZORDER | SWP_NOACTIVATE);
    app_->message_box = [this](HWND owner, const std::wstring& text, const std::wstring& caption,
                               UINT type) {
      questions_.push_back(Question{owner, text, caption, type});
      if (answers_.empty()) return answer_;
      const int answer = answers_.front();
      answers_.pop_front();
      return answer;
    };
    app_->choose_save_path = [this](HWND, const std::wstring& suggested) {
      suggested_paths_.push_back(suggested);
      return save_path_;
    };
  }

  void TearDown() override {
    if (app_) {
      finish_jobs();
      win::release_main_window(*app_);
    }
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

  // A new active document holding `text`, unmodified.
  win::Document& add_document(const std::string& text = {}) {
    app_->new_document(text);
    return *app_->current_document();
  }

  win::Document& active() { return *app_->current_document(); }
  HWND editor() { return active().editor; }
  std::string editor_text() { return win::richedit_text_utf8(editor()); }
  std::string preview_text() { return win::richedit_text_utf8(app_->preview_edit); }

  // Types at the end of the active editor as the user would: the control reports the change.
  void type_text(const std::wstring& text) {
    select(-1, -1);
    SendMessageW(editor(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
  }

  void select(LONG start, LONG end) {
    CHARRANGE range{start, end};
    SendMessageW(editor(), EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
  }

  static CHARRANGE selection(HWND edit) {
    CHARRANGE range{};
    SendMessageW(edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    return range;
  }

  LRESULT send(UINT message, WPARAM wparam = 0, LPARAM lparam = 0) {
    return SendMessageW(app_->main_window, message, wparam, lparam);
  }

  std::wstring title() const { return text_of(app_->main_window); }

  std::vector<std::wstring> tab_texts() const {
    std::vector<std::wstring> texts;
    const int count = static_cast<int>(SendMessageW(app_->tab_control, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      wchar_t buffer[260] = {};
      TCITEMW item{};
      item.mask = TCIF_TEXT;
      item.pszText = buffer;
      item.cchTextMax = 260;
      SendMessageW(app_->tab_control, TCM_GETITEMW, static_cast<WPARAM>(i),
                   reinterpret_cast<LPARAM>(&item));
      texts.push_back(buffer);
    }
    return texts;
  }

  std::filesystem::path recovery_file(const std::string& id) const {
    return profile_.path() / "recovery" / (id + ".json");
  }

  TempDir profile_;
  TempDir files_;
  std::unique_ptr<win::App> app_;
  std::vector<Question> questions_;
  std::deque<int> answers_;  // taken in turn; once empty every question gets `answer_`
  int answer_ = IDCANCEL;
  std::optional<std::wstring> save_path_;  // what the save dialog returns (nothing: cancelled)
  std::vector<std::wstring> suggested_paths_;
};

}  // namespace tavrel::test
