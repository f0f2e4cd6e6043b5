// A listening socket on 127.0.0.1 at a free port, for a test to play a server.
// Winsock must be started.
#pragma once

#include <winsock2.h>

class LoopbackListener {
public:
    explicit LoopbackListener(int backlog) : m_socket(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)) {
        m_address.sin_family = AF_INET;
        m_address.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
        int size = sizeof m_address;
        ::bind(m_socket, reinterpret_cast<sockaddr*>(&m_address), sizeof m_address);
        ::listen(m_socket, backlog);
        ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&m_address), &size);
    }
    ~LoopbackListener() { ::closesocket(m_socket); }
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    // The next connection, its small writes sent at once.
    SOCKET Accept() {
        SOCKET s = ::accept(m_socket, nullptr, nullptr);
        BOOL on = TRUE;
        ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<char*>(&on), sizeof on);
        return s;
    }
    const sockaddr* Address() const { return reinterpret_cast<const sockaddr*>(&m_address); }
    int AddressSize() const { return sizeof m_address; }
    int Port() const { return ::ntohs(m_address.sin_port); }

private:
    SOCKET m_socket;
    sockaddr_in m_address = {};
};
