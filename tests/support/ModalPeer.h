// A second party for the moments a real modal loop runs: from a thread of its
// own it sees each dialog and message box the window's thread opens, and acts on
// it (reads it, fills it, waits, presses a button) while the loop goes on
// running timers and answers behind it.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

class ModalPeer {
public:
    // Called once for each window that opens, on the peer's thread.
    using Play = std::function<void(HWND window)>;
    ModalPeer(HWND hWndMain, Play play);
    // Stops watching; a window still open is left as it is.
    ~ModalPeer();
    ModalPeer(const ModalPeer&) = delete;
    ModalPeer& operator=(const ModalPeer&) = delete;

    // The open dialogs and boxes of the main window's thread.
    std::vector<HWND> OpenWindows() const;

    static bool Has(HWND window, int nID) { return ::GetDlgItem(window, nID) != nullptr; }
    static void SetText(HWND window, int nID, const std::string& text);

private:
    void Watch();

    HWND m_hWndMain;
    DWORD m_dwThread;
    Play m_play;
    std::atomic<bool> m_bStop{false};
    std::thread m_thread;
};
