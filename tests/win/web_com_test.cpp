// The program's own COM objects and the test double of the WebView2 loader meet only through the
// declared vtables: a misplaced slot shows as a wrong log line or a stub call.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "tests/win/fake_webview2/fake_webview2.h"
#include "web/web_com_win.h"

namespace win = tavrel::win;
using fake_webview2::api;

namespace {

std::string fake_log() {
  std::string log(api().log(nullptr, 0), '\0');
  api().log(log.data(), log.size() + 1);
  return log;
}

}  // namespace

TEST(WebCom, OptionsAndHandlersRoundTripThroughTheLoader) {
  api().reset("");
  HMODULE loader = LoadLibraryExW(fake_webview2::loader_path().c_str(), nullptr, 0x900);
  ASSERT_NE(loader, nullptr);
  const auto create = reinterpret_cast<CreateCoreWebView2EnvironmentWithOptionsFn>(
      reinterpret_cast<void*>(GetProcAddress(loader, "CreateCoreWebView2EnvironmentWithOptions")));
  ASSERT_NE(create, nullptr);
  const auto options = win::make_environment_options();
  options->put_AdditionalBrowserArguments(L"--disable-background-networking --x=\u00e9");
  win::ComPtr<ICoreWebView2Environment> environment;
  const auto created =
      win::make_handler<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler>(
          [&](HRESULT result, ICoreWebView2Environment* made) {
            made->AddRef();
            environment = win::ComPtr<ICoreWebView2Environment>::attach(made);
            return result;
          });
  EXPECT_FALSE(created.query<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler>());
  ASSERT_EQ(create(nullptr, L"C:\\profile\\renderer", options.get(), created.get()), S_OK);
  fake_webview2::deliver_completions();
  ASSERT_TRUE(environment);

  // A function that throws answers E_FAIL; nothing escapes into the runtime.
  const auto throwing =
      win::make_handler<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler>(
          [](HRESULT, ICoreWebView2Controller*) -> HRESULT { throw std::runtime_error("boom"); });
  EXPECT_EQ(throwing->Invoke(S_OK, nullptr), E_FAIL);
  const win::UniqueWindow parent(
      CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 8, 8, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(environment->CreateCoreWebView2Controller(parent.get(), throwing.get()), S_OK);
  fake_webview2::deliver_completions();
  EXPECT_EQ(fake_log(),
            "Loader.Create C:\\profile\\renderer|--disable-background-networking --x=\xc3\xa9\n"
            "Environment.CreateCoreWebView2Controller\n");
  environment.reset();
  EXPECT_EQ(api().live(), 0);
}
