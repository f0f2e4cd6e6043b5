#include "BPCSocks.h"

#include "Messages.h"

#include <chrono>

namespace {
const DWORD kConnectLimit = 15000;
const DWORD kSendLimit = 15000;
const DWORD kReplyLimit = 15000;
const DWORD kReadLimit = 7000;
// A session or keep-alive that finds the socket busy this long fails.
const std::chrono::milliseconds kLockWait(100);
// Bytes taken from the socket at a time by the receive path.
const int kReadChunk = 1024;
} // namespace

// clang-format off
BEGIN_MESSAGE_MAP(CBPCSocks, CWinThread)
    ON_MESSAGE(WM_SOCKS_CONNECT, OnSocksConnect)
    ON_MESSAGE(WM_SOCKS_CLOSE, OnSocksClose)
    ON_MESSAGE(WM_SOCKS_SESSION, OnSocksSession)
    ON_MESSAGE(WM_SOCKS_QUIT, OnSocksQuit)
    ON_MESSAGE(WM_SOCKS_ALIVE, OnSocksAlive)
    ON_MESSAGE(WM_SOCKS_STOP, OnSocksQuit)
END_MESSAGE_MAP()
// clang-format on

BOOL CBPCSocks::PostText(UINT message, WPARAM wParam, const std::string& text) {
    auto copy = std::make_unique<std::string>(text);
    if (!PostThreadMessage(message, wParam, reinterpret_cast<LPARAM>(copy.get())))
        return FALSE;
    copy.release();
    return TRUE;
}

BOOL CBPCSocks::PostConnect(const std::string& host, UINT nPort) {
    PostText(WM_SOCKS_CONNECT, nPort, host);
    return TRUE;
}

BOOL CBPCSocks::PostSession(const std::string& sessionId) {
    PostText(WM_SOCKS_SESSION, 0, sessionId);
    return TRUE;
}

BOOL CBPCSocks::PostAlive() {
    PostThreadMessage(WM_SOCKS_ALIVE, 0, 0);
    return TRUE;
}

BOOL CBPCSocks::PostStop() {
    return PostThreadMessage(WM_SOCKS_STOP, 0, 0);
}

LRESULT CBPCSocks::OnSocksConnect(WPARAM wParam, LPARAM lParam) {
    std::unique_ptr<std::string> host(reinterpret_cast<std::string*>(lParam));
    Tell(WM_BPC_CONNECT, ConnectServerSocket(*host, static_cast<UINT>(wParam)));
    return 0;
}

LRESULT CBPCSocks::OnSocksClose(WPARAM, LPARAM) {
    CloseServerSocket();
    return 0;
}

LRESULT CBPCSocks::OnSocksSession(WPARAM, LPARAM lParam) {
    std::unique_ptr<std::string> sessionId(reinterpret_cast<std::string*>(lParam));
    Tell(WM_BPC_SESSION, OpenSession(*sessionId));
    return 0;
}

LRESULT CBPCSocks::OnSocksAlive(WPARAM, LPARAM) {
    Tell(WM_BPC_ALIVE, SendAlive());
    return 0;
}

LRESULT CBPCSocks::OnSocksQuit(WPARAM, LPARAM) {
    ::PostQuitMessage(0);
    return 0;
}

int CBPCSocks::ExitInstance() {
    CloseServerSocket();
    return CWinThread::ExitInstance();
}

void CBPCSocks::Tell(UINT message, WPARAM wParam) {
    if (m_hMainWnd)
        ::PostMessageA(m_hMainWnd, message, wParam, 0);
}

HANDLE CBPCSocks::WaitHandle() const {
    return m_pSocket ? m_pSocket->NetworkEvent() : nullptr;
}

void CBPCSocks::OnWaitHandle() {
    m_pSocket->OnNetworkEvent();
}

void CBPCSocks::DropSocket() {
    if (!m_pSocket)
        return;
    m_pSocket->ShutDown(CPushSocket::both);
    m_pSocket.reset();
}

int CBPCSocks::ConnectServerSocket(const std::string& host, UINT nPort) {
    m_strHost = host;
    m_nPort = nPort;
    DropSocket();

    std::lock_guard<std::recursive_timed_mutex> lock(m_lock);
    m_pSocket = std::make_unique<CPushSocket>(this);
    if (!m_pSocket->Create() || m_pSocket->ConnectWithTimeout(host, nPort, kConnectLimit) == -1) {
        m_pSocket.reset();
        return 0;
    }
    return 1;
}

int CBPCSocks::OpenSession(const std::string& sessionId) {
    std::string frame = push::SessionFrame(sessionId);
    if (frame.empty())
        return 0;
    std::unique_lock<std::recursive_timed_mutex> lock(m_lock, kLockWait);
    if (!lock.owns_lock())
        return 0;
    // A session always begins on a connection of its own.
    if (!ConnectServerSocket(m_strHost, m_nPort))
        return 0;
    if (m_pSocket->SendWithTimeout(frame.data(), static_cast<int>(frame.size()), kSendLimit) ==
        -1) {
        CloseServerSocket();
        return 0;
    }
    // Exactly the reply's bytes: what follows it already belongs to the
    // receive path (the server may send events right after accepting).
    unsigned char reply[push::kReplyLength];
    if (m_pSocket->ReceiveAllWithTimeout(reply, sizeof reply, kReplyLimit) == -1) {
        CloseServerSocket();
        return 0;
    }
    return push::IsSessionAccepted(reply, sizeof reply) ? 1 : 0;
}

int CBPCSocks::SendAlive() {
    std::unique_lock<std::recursive_timed_mutex> lock(m_lock, kLockWait);
    if (!lock.owns_lock() || !m_pSocket)
        return 0;
    std::string frame = push::KeepAliveFrame();
    if (m_pSocket->SendWithTimeout(frame.data(), static_cast<int>(frame.size()), kSendLimit) ==
        -1) {
        CloseServerSocket();
        return 0;
    }
    return 1;
}

void CBPCSocks::CloseServerSocket() {
    std::lock_guard<std::recursive_timed_mutex> lock(m_lock);
    if (!m_pSocket)
        return;
    m_pSocket->ShutDown(CPushSocket::sends);
    m_pSocket.reset();
    Tell(WM_BPC_DISCONNECT, 0);
}

void CBPCSocks::ReadServerSocket() {
    std::lock_guard<std::recursive_timed_mutex> lock(m_lock);
    unsigned char buffer[kReadChunk];
    unsigned long pending = 0;
    while (m_pSocket && m_pSocket->Available(&pending) && pending > 0) {
        int n = m_pSocket->ReceiveWithTimeout(buffer, sizeof buffer, kReadLimit);
        // The socket reports again what is left.
        if (n == -1)
            break;
        m_pSocket->m_frames.Feed(buffer, static_cast<size_t>(n), [this](const push::Frame& f) {
            if (f.kind == push::Frame::ALIVE)
                Tell(WM_BPC_ALIVE, f.status);
            else if (push::IsWindowEvent(f.type))
                Tell(WM_USER + f.type, f.param);
        });
    }
}
