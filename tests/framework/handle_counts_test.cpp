// The test build's handle counters, read as another process reads them: from
// the shared memory named after the process.
#include "DataFile.h"
#include "HandleCounts.h"
#include "WinApp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

namespace {

CWinApp g_app("BriskoCountsTest");

LONG Count(fw::HandleKind kind) {
    char name[64];
    std::snprintf(name, sizeof name, fw::kHandleCountsName, ::GetCurrentProcessId());
    HANDLE mapping = ::OpenFileMappingA(FILE_MAP_READ, FALSE, name);
    if (!mapping)
        return -1;
    const auto* counts = static_cast<const LONG*>(::MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
    const LONG n = counts ? counts[kind] : -1;
    if (counts)
        ::UnmapViewOfFile(counts);
    ::CloseHandle(mapping);
    return n;
}

TEST(HandleCounts, AWindowsChildrenAreCountedOffWithIt) {
    fw::CountThreadWindows();
    // Wine gives the thread's first window an IME window of its own, which
    // goes with its last one: this window keeps it out of the counts below.
    HWND keeper = ::CreateWindowA("STATIC", "keeper", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                  nullptr, nullptr, nullptr);
    const LONG before = Count(fw::kWindows);
    ASSERT_GE(before, 1);
    HWND parent = ::CreateWindowA("STATIC", "parent", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                  nullptr, nullptr, nullptr);
    HWND children[3];
    for (HWND& child : children)
        child = ::CreateWindowA("BUTTON", "child", WS_CHILD, 0, 0, 50, 20, parent, nullptr, nullptr,
                                nullptr);
    // A grandchild too: every descendant goes with the window.
    ::CreateWindowA("BUTTON", "grandchild", WS_CHILD, 0, 0, 10, 10, children[1], nullptr, nullptr,
                    nullptr);
    EXPECT_EQ(Count(fw::kWindows), before + 5);
    ::DestroyWindow(children[0]);
    EXPECT_EQ(Count(fw::kWindows), before + 4);
    ::DestroyWindow(parent);
    EXPECT_EQ(Count(fw::kWindows), before);
    ::DestroyWindow(keeper);
}

TEST(HandleCounts, ALogFileIsCountedWhileOpen) {
    const LONG before = std::max(Count(fw::kFiles), 0L);
    {
        CLogFile log("counts-test.log", 1 << 20);
        ASSERT_TRUE(log.Append("one"));
        EXPECT_EQ(Count(fw::kFiles), before + 1);
        log.Close();
        EXPECT_EQ(Count(fw::kFiles), before);
        ASSERT_TRUE(log.Append("two"));
    }
    EXPECT_EQ(Count(fw::kFiles), before);
    DeleteDataFile("counts-test.log");
}

} // namespace
