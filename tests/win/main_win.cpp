// The Win64 test runner: -municode needs wmain, which gtest_main does not provide.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

int wmain(int argc, wchar_t** argv) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  testing::InitGoogleTest(&argc, argv);
  int result = RUN_ALL_TESTS();
  CoUninitialize();
  return result;
}
