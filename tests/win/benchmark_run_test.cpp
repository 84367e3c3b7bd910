// The real program in its benchmark mode, end to end.
#include <windows.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>

#include "tests/win/app_window_fixture_win.h"

using namespace std::chrono_literals;
using namespace tavrel::test;

namespace fs = std::filesystem;

namespace {

fs::path test_folder() {
  std::wstring path(32768, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  return fs::path(path).parent_path();
}

// With a WebView2 loader beside the program (the test double, which lets a web preview start),
// a benchmark measures the start-up of the view the user saved: the visual editor runs on the
// web preview, the split view on the native one.
TEST(BenchmarkRun, StartsTheWebPreviewWhenTheSavedViewIsTheVisualEditor) {
  TempDir program, files;
  fs::copy_file(fs::path(TAVREL_EXE).make_preferred(), program / "tavrel.exe");
  fs::copy_file(test_folder() / "WebView2Loader.dll", program / "WebView2Loader.dll");
  write_bytes(files / "doc.md", "# Title\n\nSome text.\n");
  for (const auto& [settings, native] :
       {std::pair{R"({"view": 3})", false}, std::pair{R"({"view": 1})", true}}) {
    TempDir profile;
    write_bytes(profile / "settings.json", settings);
    ProgramRun run(
        {L"--benchmark", L"--profile", profile.path().native(), (files / "doc.md").native()}, {},
        program / "tavrel.exe");
    ASSERT_EQ(run.wait(60s), 0u) << "the benchmark run ends by itself: " << settings;
    const auto report = nlohmann::json::parse(read_bytes(profile / "benchmark.json"));
    EXPECT_EQ(report.at("native"), native) << settings;
  }
}

}  // namespace
