#include "ModalPeer.h"

#include "ClientProcess.h"

#include <algorithm>

ModalPeer::ModalPeer(HWND hWndMain, Play play)
    : m_hWndMain(hWndMain), m_dwThread(::GetWindowThreadProcessId(hWndMain, nullptr)),
      m_play(std::move(play)), m_thread(&ModalPeer::Watch, this) {}

ModalPeer::~ModalPeer() {
    m_bStop = true;
    m_thread.join();
}

std::vector<HWND> ModalPeer::OpenWindows() const {
    std::vector<HWND> open = ThreadDialogs(m_dwThread);
    open.erase(std::remove(open.begin(), open.end(), m_hWndMain), open.end());
    return open;
}

void ModalPeer::Watch() {
    std::vector<HWND> seen;
    while (!m_bStop) {
        std::vector<HWND> open = OpenWindows();
        // A closed window's handle may come back for a new one.
        seen.erase(std::remove_if(seen.begin(), seen.end(),
                                  [&](HWND w) {
                                      return std::find(open.begin(), open.end(), w) == open.end();
                                  }),
                   seen.end());
        for (HWND w : open)
            if (std::find(seen.begin(), seen.end(), w) == seen.end()) {
                seen.push_back(w);
                m_play(w);
            }
        ::Sleep(20);
    }
}

void ModalPeer::SetText(HWND window, int nID, const std::string& text) {
    SetControlText(::GetDlgItem(window, nID), text);
}
