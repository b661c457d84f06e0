// The main of every test executable: an OLE single-threaded apartment (as in
// the shell's threads), common controls registered, then GoogleTest.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <cstdio>

namespace {

// An unhandled fault ends the test process at once with a message naming the
// test, instead of waiting on the debugger Wine would start.
LONG WINAPI ReportFault(EXCEPTION_POINTERS* info)
{
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::fprintf(stderr, "fatal: exception 0x%08lX at %p in %s.%s\n",
                 static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode),
                 info->ExceptionRecord->ExceptionAddress, test ? test->test_suite_name() : "?",
                 test ? test->name() : "?");
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // A crashing test must fail, not wait for a dialog.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    SetUnhandledExceptionFilter(ReportFault);
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_INTERNET_CLASSES};
    InitCommonControlsEx(&icc);
    HRESULT hr = OleInitialize(nullptr);
    if (FAILED(hr)) {
        fprintf(stderr, "OleInitialize failed: 0x%08lx\n", static_cast<unsigned long>(hr));
        return 2;
    }
    int result = RUN_ALL_TESTS();
    OleUninitialize();
    return result;
}
