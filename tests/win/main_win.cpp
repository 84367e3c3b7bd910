// The Win64 test runner: -municode needs wmain, which gtest_main does not provide.
#include <windows.h>
#include <objbase.h>

#include <cstdio>

#include <gtest/gtest.h>

namespace {

// Under Wine without its crash dialog a crashed process still exits with code 0, which would
// let a crashing test pass. Any thread's crash ends the run here with a failure and the test
// that was running.
LONG WINAPI fail_on_crash(EXCEPTION_POINTERS* exception) {
  const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
  std::fprintf(stderr, "\nCRASH: exception 0x%08lX at %p in thread %lu during %s.%s\n",
               exception->ExceptionRecord->ExceptionCode,
               exception->ExceptionRecord->ExceptionAddress, GetCurrentThreadId(),
               test ? test->test_suite_name() : "(no test)", test ? test->name() : "");
  std::fflush(stderr);
  TerminateProcess(GetCurrentProcess(), 3);
  return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  SetUnhandledExceptionFilter(fail_on_crash);
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  testing::InitGoogleTest(&argc, argv);
  int result = RUN_ALL_TESTS();
  CoUninitialize();
  return result;
}
