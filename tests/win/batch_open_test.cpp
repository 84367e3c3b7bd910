// Opening many files at once: one tab-strip rebuild, one tab per file, each failure named, and a
// hand-over of 2,000 files to the real program (which once took half an hour) open in one go.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "core/documents_win.h"
#include "core/instance_payload.h"
#include "tests/win/app_window_fixture_win.h"

using namespace std::chrono_literals;

namespace tavrel::test {
namespace {

LRESULT CALLBACK count_rebuilds(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                                DWORD_PTR count) {
  if (message == TCM_DELETEALLITEMS) ++*reinterpret_cast<int*>(count);
  return DefSubclassProc(window, message, wparam, lparam);
}

using BatchOpenTest = AppWindowTest;

TEST_F(BatchOpenTest, OneRebuildOneTabPerFileAndEachFailureNamed) {
  const std::filesystem::path binary = files_ / "binary.md";
  write_bytes(binary, std::string("x\0", 2));
  for (const char* name : {"a.md", "b.md", "c.md"}) write_bytes(files_ / name, name);
  const std::vector<std::filesystem::path> paths{files_ / "a.md", files_ / "b.md",
                                                 files_ / "c.md", files_ / "missing.md",
                                                 binary,          files_ / "A.MD"};
  int rebuilds = 0;
  SetWindowSubclass(app_->tab_control, count_rebuilds, 7, reinterpret_cast<DWORD_PTR>(&rebuilds));
  BoxWatcher boxes;
  EXPECT_EQ(win::open_paths(*app_, paths), 2u);
  RemoveWindowSubclass(app_->tab_control, count_rebuilds, 7);

  EXPECT_EQ(rebuilds, 1);
  EXPECT_EQ(app_->documents.size(), 3u);
  EXPECT_EQ(app_->active_document, 0u);  // the last one named was open already
  ASSERT_EQ(boxes.boxes().size(), 1u);
  const std::wstring text = boxes.boxes()[0].text;
  EXPECT_EQ(text.rfind(L"file_size: ", 0), 0u) << text;
  EXPECT_NE(text.find(L"]\n" + (files_ / "missing.md").native()), std::wstring::npos) << text;
  EXPECT_NE(text.find(L"\n\nBinary files are not supported\n" + binary.native()),
            std::wstring::npos)
      << text;
}

// The wait only guards against a hang; the time taken is printed for the record.
TEST(BatchOpenRun, TwoThousandFilesHandedOverAllOpen) {
  constexpr int kFiles = 2000;
  TempDir profile;
  std::vector<std::wstring> paths;
  for (int i = 0; i < kFiles; ++i) {
    paths.push_back((profile / ("note" + std::to_string(i) + ".md")).native());
    write_bytes(paths.back(), "# Note " + std::to_string(i) + "\n\nSome *text*.\n");
  }
  ProgramRun run({L"--profile", profile.path().native()});
  const HWND window = run.main_window();
  ASSERT_NE(window, nullptr);
  auto tab_count = [tabs = GetDlgItem(window, 11)] {
    DWORD_PTR count = 0;
    SendMessageTimeoutW(tabs, TCM_GETITEMCOUNT, 0, 0, SMTO_BLOCK, 1000, &count);
    return count;
  };
  const DWORD_PTR before = tab_count();
  std::string payload = win::encode_forwarded_arguments(paths);
  COPYDATASTRUCT message{win::kForwardedArgumentsTag, static_cast<DWORD>(payload.size()),
                         payload.data()};
  DWORD_PTR answer = 0;
  const auto start = std::chrono::steady_clock::now();
  SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&message), SMTO_BLOCK, 5000,
                      &answer);
  EXPECT_EQ(answer, 1u);
  ASSERT_TRUE(wait_until([&] { return tab_count() == before + kFiles; }, 300s)) << tab_count();
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  std::printf("[ FIGURE   ] %d files handed over, all open after %.1f s\n", kFiles, took.count());
  EXPECT_TRUE(process_windows(run.pid(), L"#32770").empty());
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(run.wait(120s), std::optional<DWORD>(0));
}

}  // namespace
}  // namespace tavrel::test
