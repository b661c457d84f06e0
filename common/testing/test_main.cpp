// The main of every test executable: an OLE single-threaded apartment (as in
// the shell's threads), common controls registered, then GoogleTest.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // A crashing test must fail, not wait for a dialog.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
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
