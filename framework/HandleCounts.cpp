#include "HandleCounts.h"

#include <cstdio>

namespace {

LONG* Counters() {
    static LONG* counters = [] {
        char name[64];
        std::snprintf(name, sizeof name, fw::kHandleCountsName, ::GetCurrentProcessId());
        // Never closed: the counters last as long as the process.
        HANDLE mapping = ::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                              sizeof(LONG) * fw::kHandleKinds, name);
        static LONG fallback[fw::kHandleKinds];
        void* view = mapping ? ::MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0) : nullptr;
        return view ? static_cast<LONG*>(view) : fallback;
    }();
    return counters;
}

// Wine calls the hook for the window destroyed, not for the children that
// go with it: they are counted off with it.
LRESULT CALLBACK WindowHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        fw::CountHandle(fw::kWindows, +1);
    } else if (code == HCBT_DESTROYWND) {
        LONG gone = 1;
        ::EnumChildWindows(
            reinterpret_cast<HWND>(wParam),
            [](HWND, LPARAM n) {
                ++*reinterpret_cast<LONG*>(n);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&gone));
        fw::CountHandle(fw::kWindows, -gone);
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

namespace fw {

void CountHandle(HandleKind kind, LONG delta) {
    ::InterlockedExchangeAdd(&Counters()[kind], delta);
}

void CountThreadWindows() {
    ::SetWindowsHookExA(WH_CBT, WindowHook, nullptr, ::GetCurrentThreadId());
}

} // namespace fw
