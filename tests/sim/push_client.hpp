// A push client for the tests: a plain loopback TCP socket whose every read
// waits at most a deadline.
#pragma once

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace simtest {

class PushClient {
public:
    explicit PushClient(int port) : fd_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<uint16_t>(port));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
            close(fd_);
            fd_ = -1;
        }
        sockaddr_in local{};
        socklen_t len = sizeof local;
        getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &len);
        port_ = ntohs(local.sin_port);
    }
    ~PushClient() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    PushClient(const PushClient&) = delete;
    PushClient& operator=(const PushClient&) = delete;

    bool connected() const { return fd_ >= 0; }
    // The client's port: how the push log names this connection.
    std::string port() const { return std::to_string(port_); }

    void send_bytes(const std::string& bytes) {
        ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    }

    // One read: what arrived within `ms` (empty at the deadline); `end_` says
    // whether the server closed (0) or reset (-errno) the connection.
    std::string read_some(int ms) {
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, ms) <= 0) {
            return {};
        }
        char buffer[65536];
        const ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
        if (n <= 0) {
            end_ = n == 0 ? 0 : -errno;
            return {};
        }
        return std::string(buffer, static_cast<size_t>(n));
    }

    // Reads until `n` bytes came, the connection ended or `ms` passed.
    std::string read_bytes(size_t n, int ms = 3000) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        std::string out;
        while (out.size() < n && end_ == 1) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  deadline - std::chrono::steady_clock::now())
                                  .count();
            if (left <= 0) {
                break;
            }
            out += read_some(static_cast<int>(left));
        }
        return out;
    }

    // 1 while open, 0 after the server closed, -errno after a failure (reset).
    int end_state(int wait_ms) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
        while (end_ == 1 && std::chrono::steady_clock::now() < deadline) {
            read_some(wait_ms);
        }
        return end_;
    }

private:
    int fd_;
    int port_ = 0;
    int end_ = 1;
};

// The event frames in `bytes` as (type, param); a frame that is not an
// event ends the list with (0, 0).
inline std::vector<std::pair<int32_t, uint32_t>> event_frames(const std::string& bytes) {
    std::vector<std::pair<int32_t, uint32_t>> out;
    for (size_t at = 0; at + 10 <= bytes.size(); at += 10) {
        if (bytes[at] != 0x0A || bytes[at + 1] != 0x03) {
            out.emplace_back(0, 0);
            break;
        }
        uint32_t type = 0, param = 0;
        for (int i = 3; i >= 0; --i) {
            type = type << 8 | static_cast<unsigned char>(bytes[at + 2 + i]);
            param = param << 8 | static_cast<unsigned char>(bytes[at + 6 + i]);
        }
        out.emplace_back(static_cast<int32_t>(type), param);
    }
    return out;
}

} // namespace simtest
