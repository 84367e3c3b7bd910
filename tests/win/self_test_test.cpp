// The self-test timer on a window that was not started with the isolated smoke profile: the run
// must fail at once, leave its reason in test-error.txt and end with exit code 2.
#include "tests/win/app_window_fixture_win.h"

#include "core/text_codec.h"

namespace tavrel::test {
namespace {

TEST_F(AppWindowTest, SelfTestOutsideTheSmokeProfileFailsWithExitCodeTwo) {
  SendMessageW(app_->main_window, WM_TIMER, win::timer_self_test, 0);
  EXPECT_EQ(win::read_text_file(app_->profile_dir / L"test-error.txt"),
            "Tests require an isolated smoke profile");
  EXPECT_FALSE(IsWindow(app_->main_window));
  MSG quit{};
  ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(quit.wParam, 2u);
  EXPECT_FALSE(std::filesystem::exists(app_->profile_dir / L"native-report.json"));
}

}  // namespace
}  // namespace tavrel::test
