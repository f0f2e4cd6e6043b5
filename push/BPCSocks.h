// The socket thread: it owns the push connection. The main window asks it to
// connect, open the session, keep it alive and stop by posting thread
// messages; it answers each with a window message to the main window, and
// turns every frame the server sends into one.
#pragma once

#include "MessageMap.h"
#include "PushSocket.h"
#include "WinThread.h"

#include <memory>
#include <mutex>
#include <string>

#define WM_SOCKS_CONNECT (WM_USER + 1)
#define WM_SOCKS_CLOSE (WM_USER + 2)
#define WM_SOCKS_SESSION (WM_USER + 3)
#define WM_SOCKS_QUIT (WM_USER + 4)
#define WM_SOCKS_ALIVE (WM_USER + 5)
#define WM_SOCKS_STOP (WM_USER + 6)

class CBPCSocks : public CWinThread {
public:
    // Results and events go to this window.
    explicit CBPCSocks(HWND hMainWnd) : m_hMainWnd(hMainWnd) {}

    // Called on the main window's thread: each posts its request and returns at once.
    BOOL PostConnect(const std::string& host, UINT nPort);
    BOOL PostSession(const std::string& sessionId);
    BOOL PostAlive();
    BOOL PostStop();

    // The socket thread's work; 1 for success, 0 for failure.
    int ConnectServerSocket(const std::string& host, UINT nPort);
    int OpenSession(const std::string& sessionId);
    int SendAlive();
    void CloseServerSocket();
    void ReadServerSocket();

protected:
    int ExitInstance() override;
    HANDLE WaitHandle() const override;
    void OnWaitHandle() override;

private:
    LRESULT OnSocksConnect(WPARAM wParam, LPARAM lParam);
    LRESULT OnSocksClose(WPARAM wParam, LPARAM lParam);
    LRESULT OnSocksSession(WPARAM wParam, LPARAM lParam);
    LRESULT OnSocksAlive(WPARAM wParam, LPARAM lParam);
    LRESULT OnSocksQuit(WPARAM wParam, LPARAM lParam);
    // Posts a request that carries a text; the handler takes the copy over.
    BOOL PostText(UINT message, WPARAM wParam, const std::string& text);
    void Tell(UINT message, WPARAM wParam);
    // Drops the socket without telling anybody.
    void DropSocket();

    HWND m_hMainWnd;
    std::unique_ptr<CPushSocket> m_pSocket;
    std::string m_strHost;
    UINT m_nPort = 0;
    // Serialises all use of the socket; re-entrant, as a session's connect
    // and a failure's close take it again.
    std::recursive_timed_mutex m_lock;

    DECLARE_MESSAGE_MAP()
};
