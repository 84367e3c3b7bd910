#pragma once
// A hidden main window of this process on a temporary profile, with its modal questions
// answered by the test: the base of the tests of tabs, outline, tree, recovery and auto-save.
#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/app_win.h"
#include "ui/main_window_win.h"
#include "tests/portable/test_support.h"
#include "tests/win/window_test_support_win.h"

namespace tavrel::test {

class AppWindowTest : public ::testing::Test {
 protected:
  struct Question {
    std::wstring text;
    std::wstring caption;
    UINT type;
  };

  static void SetUpTestSuite() { tavrel::test::load_window_libraries(); }

  void SetUp() override {
    app_ = std::make_unique<win::App>(
        GetModuleHandleW(nullptr), false,
        std::vector<std::wstring>{L"tavrel.exe", L"--profile", profile_.path().native()});
    app_->create_window();
    ASSERT_NE(app_->main_window, nullptr);
    SetWindowPos(app_->main_window, nullptr, 0, 0, 1200, 800, SWP_NOZORDER | SWP_NOACTIVATE);
    app_->message_box = [this](HWND, const std::wstring& text, const std::wstring& caption,
                               UINT type) {
      questions_.push_back(Question{text, caption, type});
      return answer_;
    };
  }

  void TearDown() override {
    win::release_main_window(*app_);
    app_.reset();
    MSG message;
    while (PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {}
  }

  // A new active document holding `text`, unmodified.
  win::Document& add_document(const std::string& text = {}) {
    app_->new_document(text);
    return *app_->current_document();
  }

  // Types into the active editor as the user would: the change notice marks the document.
  void type_text(const std::wstring& text) {
    const HWND editor = app_->current_document()->editor;
    SendMessageW(editor, EM_SETSEL, static_cast<WPARAM>(-1), -1);
    SendMessageW(editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
  }

  LRESULT send(UINT message, WPARAM wparam = 0, LPARAM lparam = 0) {
    return SendMessageW(app_->main_window, message, wparam, lparam);
  }

  std::wstring tab_text(int index) const {
    wchar_t buffer[260] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = buffer;
    item.cchTextMax = 260;
    SendMessageW(app_->tab_control, TCM_GETITEMW, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&item));
    return buffer;
  }

  std::vector<std::wstring> tab_texts() const {
    std::vector<std::wstring> texts;
    const int count = static_cast<int>(SendMessageW(app_->tab_control, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) texts.push_back(tab_text(i));
    return texts;
  }

  TempDir profile_;
  std::unique_ptr<win::App> app_;
  std::vector<Question> questions_;
  int answer_ = IDCANCEL;
};

}  // namespace tavrel::test
