#include <winsock2.h>
#include <ws2tcpip.h>

#include "HandleCounts.h"
#include "PushSocket.h"

#include "BPCSocks.h"

#include <future>
#include <memory>
#include <thread>

namespace {
// The time left of a limit that began at `start`; 0 once it is over.
DWORD Remaining(DWORD start, DWORD dwLimit) {
    DWORD spent = ::GetTickCount() - start;
    return spent < dwLimit ? dwLimit - spent : 0;
}

ULONG LookUp(const std::string& host) {
    addrinfo hints = {};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found)
        return INADDR_NONE;
    ULONG address = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    ::freeaddrinfo(found);
    return address;
}

// The host's IPv4 address, INADDR_NONE when it has none or the name service
// does not answer within the limit. A name is looked up on a thread of its
// own, which is left to finish by itself when the limit passes.
ULONG Resolve(const std::string& host, DWORD dwLimit) {
    ULONG address = ::inet_addr(host.c_str());
    if (address != INADDR_NONE || host == "255.255.255.255")
        return address;
    auto answer = std::make_shared<std::promise<ULONG>>();
    std::future<ULONG> result = answer->get_future();
    try {
        std::thread([host, answer] { answer->set_value(LookUp(host)); }).detach();
    } catch (const std::system_error&) {
        return INADDR_NONE;
    }
    if (result.wait_for(std::chrono::milliseconds(dwLimit)) != std::future_status::ready)
        return INADDR_NONE;
    return result.get();
}
} // namespace

CPushSocket::~CPushSocket() {
    if (m_hSocket != INVALID_SOCKET) {
        ::closesocket(m_hSocket);
        fw::Closed(fw::kSockets);
    }
    if (m_hEvent != WSA_INVALID_EVENT) {
        ::WSACloseEvent(m_hEvent);
        fw::Closed(fw::kSockets);
    }
}

BOOL CPushSocket::Create() {
    m_hSocket =
        fw::Opened(fw::kSockets, ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP), INVALID_SOCKET);
    m_hEvent = fw::Opened(fw::kSockets, ::WSACreateEvent(), WSA_INVALID_EVENT);
    if (m_hSocket == INVALID_SOCKET || m_hEvent == WSA_INVALID_EVENT)
        return FALSE;
    // Also makes the socket non-blocking: every wait below has its limit.
    const long all = FD_READ | FD_WRITE | FD_OOB | FD_ACCEPT | FD_CONNECT | FD_CLOSE;
    return ::WSAEventSelect(m_hSocket, m_hEvent, all) == 0;
}

BOOL CPushSocket::WaitReady(BOOL bWrite, DWORD dwLimit) const {
    fd_set ready, failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(m_hSocket, &ready);
    FD_SET(m_hSocket, &failed);
    timeval limit = {static_cast<long>(dwLimit / 1000), static_cast<long>(dwLimit % 1000 * 1000)};
    int n = ::select(0, bWrite ? nullptr : &ready, bWrite ? &ready : nullptr, &failed, &limit);
    return n > 0 && FD_ISSET(m_hSocket, &ready) && !FD_ISSET(m_hSocket, &failed);
}

int CPushSocket::ConnectWithTimeout(const std::string& host, UINT nPort, DWORD dwLimit) {
    if (m_hSocket == INVALID_SOCKET || nPort == 0 || nPort > 65535)
        return -1;
    DWORD start = ::GetTickCount();
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_port = ::htons(static_cast<u_short>(nPort));
    to.sin_addr.s_addr = Resolve(host, dwLimit);
    if (to.sin_addr.s_addr == INADDR_NONE)
        return -1;
    if (::connect(m_hSocket, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0)
        return 1;
    if (::WSAGetLastError() != WSAEWOULDBLOCK || !WaitReady(TRUE, Remaining(start, dwLimit)))
        return -1;
    int error = 0;
    int size = sizeof error;
    ::getsockopt(m_hSocket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size);
    return error == 0 ? 1 : -1;
}

int CPushSocket::ReceiveWithTimeout(void* pBuffer, int nLength, DWORD dwLimit) {
    if (m_hSocket == INVALID_SOCKET || !WaitReady(FALSE, dwLimit))
        return -1;
    int n = ::recv(m_hSocket, static_cast<char*>(pBuffer), nLength, 0);
    return n > 0 ? n : -1;
}

int CPushSocket::ReceiveAllWithTimeout(void* pBuffer, int nLength, DWORD dwLimit) {
    DWORD start = ::GetTickCount();
    char* p = static_cast<char*>(pBuffer);
    for (int got = 0; got < nLength;) {
        DWORD left = Remaining(start, dwLimit);
        int n = left ? ReceiveWithTimeout(p + got, nLength - got, left) : -1;
        if (n == -1)
            return -1;
        got += n;
    }
    return nLength;
}

int CPushSocket::SendWithTimeout(const void* pBuffer, int nLength, DWORD dwLimit) {
    if (m_hSocket == INVALID_SOCKET)
        return -1;
    DWORD start = ::GetTickCount();
    const char* p = static_cast<const char*>(pBuffer);
    int sent = 0;
    while (sent < nLength) {
        int n = ::send(m_hSocket, p + sent, nLength - sent, 0);
        if (n > 0) {
            sent += n;
            continue;
        }
        if (n == 0 || ::WSAGetLastError() != WSAEWOULDBLOCK ||
            !WaitReady(TRUE, Remaining(start, dwLimit)))
            return -1;
    }
    return sent > 0 ? sent : -1;
}

BOOL CPushSocket::Available(unsigned long* pnBytes) const {
    return m_hSocket != INVALID_SOCKET && ::ioctlsocket(m_hSocket, FIONREAD, pnBytes) == 0;
}

void CPushSocket::ShutDown(int nHow) {
    if (m_hSocket != INVALID_SOCKET)
        ::shutdown(m_hSocket, nHow);
}

void CPushSocket::OnNetworkEvent() {
    WSANETWORKEVENTS events;
    if (::WSAEnumNetworkEvents(m_hSocket, m_hEvent, &events) != 0) {
        // Left signalled, the event would wake the thread's loop for ever.
        ::WSAResetEvent(m_hEvent);
        return;
    }
    // Data that came before the close is read first.
    if (events.lNetworkEvents & FD_READ)
        OnReceive(events.iErrorCode[FD_READ_BIT]);
    if (events.lNetworkEvents & FD_CLOSE)
        OnClose(events.iErrorCode[FD_CLOSE_BIT]);
}

void CPushSocket::OnReceive(int) {
    m_pOwner->ReadServerSocket();
}

// The owner destroys this socket here: nothing may follow the call.
void CPushSocket::OnClose(int) {
    m_pOwner->CloseServerSocket();
}
