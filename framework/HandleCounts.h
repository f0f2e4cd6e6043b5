// Counters of the handles the program opens and closes, by kind, so that a
// long run can watch them for leaks. Only a test build keeps them
// (BRISKO_HANDLE_COUNTS): in the shipped program every call here is empty.
//
// The counters live in shared memory named kHandleCountsName with the
// process id, where another process can read them at any moment without
// disturbing the program.
#pragma once

#include <windows.h>

namespace fw {

enum HandleKind {
    kWindows,    // every window of the counted threads, controls and boxes included
    kGdiObjects, // bitmaps, icons, image lists and memory DCs it makes
    kThreads,    // threads running
    kInternetHandles,
    kFiles,
    kKernelObjects, // events, semaphores and thread handles
    kSockets,       // sockets and their socket events
    kHandleKinds
};

inline constexpr const char kHandleCountsName[] = "BriskoPC.HandleCounts.%lu";

#ifdef BRISKO_HANDLE_COUNTS
void CountHandle(HandleKind kind, LONG delta);
// Counts the windows the calling thread creates and destroys from now on.
void CountThreadWindows();
#else
inline void CountHandle(HandleKind, LONG) {}
inline void CountThreadWindows() {}
#endif

// `h` as given, counted when it is not `invalid`.
template <class H> H Opened(HandleKind kind, H h, H invalid = H()) {
    if (h != invalid)
        CountHandle(kind, +1);
    return h;
}

inline void Closed(HandleKind kind) {
    CountHandle(kind, -1);
}

} // namespace fw
