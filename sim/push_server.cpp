#include "push_server.hpp"

#include "push_frames.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <random>

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace sim {

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kReadChunk = 4096;
// A client that does not read gets this much queued, then its connection closes.
constexpr size_t kMaxPendingOutput = 8 * 1024 * 1024;
constexpr size_t kMaxConnections = 1024;
// The thread looks at the clock at least this often.
constexpr int kMaxPollMs = 1000;

std::string event_text(const std::string& login, int32_t type, uint32_t param) {
    return login + " " + std::to_string(type) + " " + std::to_string(param);
}

} // namespace

PushServer::PushServer(SessionLookup lookup, WorldAccess world)
    : lookup_(std::move(lookup)), world_(std::move(world)) {}

PushServer::~PushServer() {
    stop();
}

bool PushServer::start(int port, std::string& error) {
    listen_fd_ = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    int one = 1;
    setsockopt(listen_fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    int pipe_fds[2];
    if (listen_fd_ < 0 || bind(listen_fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        listen(listen_fd_, SOMAXCONN) != 0 ||
        getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0 ||
        pipe2(pipe_fds, O_NONBLOCK | O_CLOEXEC) != 0) {
        error = "cannot listen on 127.0.0.1:" + std::to_string(port) +
                " for the push server: " + std::strerror(errno);
        if (listen_fd_ >= 0) {
            close(listen_fd_);
            listen_fd_ = -1;
        }
        return false;
    }
    wake_read_ = pipe_fds[0];
    wake_write_ = pipe_fds[1];
    port_ = ntohs(addr.sin_port);
    stopping_ = false;
    thread_ = std::thread([this] { run(); });
    return true;
}

void PushServer::stop() {
    if (!thread_.joinable()) {
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    stop_cv_.notify_all();
    wake();
    thread_.join();
    for (auto& [fd, c] : connections_) {
        close(fd);
    }
    connections_.clear();
    for (int* fd : {&listen_fd_, &wake_read_, &wake_write_}) {
        close(*fd);
        *fd = -1;
    }
}

void PushServer::wake() {
    if (wake_write_ >= 0) {
        const char byte = 0;
        [[maybe_unused]] const ssize_t n =
            ::write(wake_write_, &byte, 1); // full pipe: awake already
    }
}

void PushServer::run() {
    std::vector<pollfd> fds;
    std::vector<uint64_t> ids;
    while (!stopping_) {
        fds.assign({{wake_read_, POLLIN, 0}, {listen_fd_, POLLIN, 0}});
        ids.assign(2, 0);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            for (auto it = connections_.begin(); it != connections_.end();) {
                Connection& c = (it++)->second;
                if (c.broken) {
                    close_connection(std::prev(it), "close server overflow");
                    continue;
                }
                if (stalled(c)) {
                    continue;
                }
                const short events = c.out.empty() ? POLLIN : POLLIN | POLLOUT;
                fds.push_back({std::prev(it)->first, events, 0});
                ids.push_back(c.id);
            }
        }
        poll(fds.data(), fds.size(), next_timeout_ms());
        if (fds[0].revents) {
            char drain[256];
            while (read(wake_read_, drain, sizeof drain) > 0) {
            }
        }
        if (fds[1].revents) {
            accept_all();
        }
        for (size_t i = 2; i < fds.size(); ++i) {
            if (fds[i].revents) {
                service_connection(fds[i].fd, ids[i], fds[i].revents);
            }
        }
        send_due_reports();
        run_due_tasks();
    }
}

int PushServer::next_timeout_ms() {
    std::lock_guard<std::mutex> lock(mutex_);
    Clock::time_point next = Clock::time_point::max();
    if (!reports_.empty()) {
        next = reports_.begin()->first;
    }
    if (!tasks_.empty()) {
        next = std::min(next, tasks_.begin()->first);
    }
    if (next == Clock::time_point::max()) {
        return kMaxPollMs;
    }
    const auto wait =
        std::chrono::duration_cast<std::chrono::milliseconds>(next - Clock::now()).count();
    return static_cast<int>(std::clamp<int64_t>(wait + 1, 0, kMaxPollMs));
}

void PushServer::accept_all() {
    for (;;) {
        sockaddr_in addr{};
        socklen_t len = sizeof addr;
        const int fd = accept4(listen_fd_, reinterpret_cast<sockaddr*>(&addr), &len,
                               SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            return;
        }
        int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        const std::string port = std::to_string(ntohs(addr.sin_port));
        std::lock_guard<std::mutex> lock(mutex_);
        log_.add(port, "accept");
        if (connections_.size() >= kMaxConnections) {
            log_.add(port, "close server full");
            close(fd);
            continue;
        }
        Connection& c = connections_[fd];
        c.fd = fd;
        c.id = next_id_++;
        c.port = port;
    }
}

void PushServer::service_connection(int fd, uint64_t id, short revents) {
    std::string session_id;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = connections_.find(fd);
        if (it == connections_.end() || it->second.id != id || stalled(it->second)) {
            return; // dropped or stalled meanwhile
        }
        Connection& c = it->second;
        if (revents & POLLOUT) {
            flush(c);
        }
        if (!(revents & (POLLIN | POLLHUP | POLLERR))) {
            return;
        }
        char buffer[kReadChunk];
        const ssize_t n = recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            return;
        }
        if (n <= 0) {
            close_connection(it, "close client");
            return;
        }
        const std::string_view bytes(buffer, static_cast<size_t>(n));
        log_.add(c.port, "in " + hex_bytes(bytes));
        c.in.append(bytes);
        if (!take_frames(c, session_id)) {
            return;
        }
    }
    // The look-up takes the service's lock, which is never taken inside ours
    // the other way round: so it runs without ours.
    for (;;) {
        const std::string login = lookup_(session_id);
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = connections_.find(fd);
        if (it == connections_.end() || it->second.id != id) {
            return;
        }
        answer_session(it->second, login);
        if (!take_frames(it->second, session_id)) {
            return;
        }
    }
}

bool PushServer::take_frames(Connection& c, std::string& session_id) {
    for (;;) {
        const std::string_view rest = c.in.rest();
        const ClientFrame f = c.in.take();
        if (f.kind == ClientFrame::Incomplete) {
            return false;
        }
        if (f.kind == ClientFrame::Unknown) {
            log_.add(c.port, "skip " + hex_bytes(rest.substr(0, 1)));
        }
        if (f.kind == ClientFrame::KeepAlive && alive_mode_ != AliveMode::Silent && writable(c)) {
            const uint8_t status = alive_mode_ == AliveMode::Answer ? 1 : 0;
            if (write(c, alive_frame(status))) {
                log_.add(c.port, "alive " + std::to_string(status));
            }
        }
        if (f.kind == ClientFrame::Session) {
            if (session_mode_ == SessionMode::Accept) {
                session_id = f.session_id;
                return true;
            }
            if (session_mode_ == SessionMode::Reject) {
                answer_session(c, "");
            }
        }
    }
}

void PushServer::answer_session(Connection& c, const std::string& login) {
    // Bound before the reply goes out: whatever the client asks next finds
    // the session open.
    c.login = login;
    log_.add(c.port, login.empty() ? "session-refused" : "session " + login);
    if (!c.half) {
        write(c, session_reply(login.empty() ? 0 : 1));
    }
}

bool PushServer::stalled(const Connection& c) const {
    return !c.login.empty() && stalled_logins_.count(c.login) != 0;
}

std::vector<PushServer::Connection*> PushServer::writable_sessions(const std::string& login) {
    std::vector<Connection*> out;
    for (auto& [fd, c] : connections_) {
        if (c.login == login && !login.empty() && writable(c)) {
            out.push_back(&c);
        }
    }
    return out;
}

bool PushServer::write(Connection& c, std::string_view bytes) {
    if (!c.out.empty()) {
        c.out.append(bytes); // behind what waits already, to keep the order
    } else {
        const ssize_t n = send(c.fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            return false; // the read side sees the connection end
        }
        const auto sent = static_cast<size_t>(std::max<ssize_t>(n, 0));
        if (sent == bytes.size()) {
            return true;
        }
        c.out.assign(bytes.substr(sent));
        wake(); // to poll for POLLOUT
    }
    if (c.out.size() > kMaxPendingOutput) {
        c.broken = true;
        c.out.clear();
        wake();
    }
    return true;
}

void PushServer::flush(Connection& c) {
    const ssize_t n = send(c.fd, c.out.data(), c.out.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
        c.out.erase(0, static_cast<size_t>(n));
    }
}

void PushServer::close_connection(Connections::iterator it, std::string_view what, bool reset) {
    if (reset) {
        const linger abort{1, 0};
        setsockopt(it->first, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    }
    log_.add(it->second.port, what);
    close(it->first);
    connections_.erase(it);
    // A poll() in progress holds the socket until it returns: the peer would
    // see the end only then.
    wake();
}

int PushServer::send_locked(const std::string& login, int32_t type, uint32_t param) {
    const std::string frame = event_frame(type, param);
    int written = 0;
    for (Connection* c : writable_sessions(login)) {
        if (write(*c, frame)) {
            log_.add(c->port, "event " + event_text(login, type, param));
            ++written;
        }
    }
    if (written == 0) {
        log_.add("-", "not-sent " + event_text(login, type, param));
    }
    return written;
}

void PushServer::send_event(const std::string& login, int32_t type, uint32_t param) {
    event(login, type, param);
}

int PushServer::event(const std::string& login, int32_t type, uint32_t param) {
    std::lock_guard<std::mutex> lock(mutex_);
    return send_locked(login, type, param);
}

bool PushServer::has_session(const std::string& login) {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::any_of(connections_.begin(), connections_.end(),
                       [&login](const auto& entry) { return entry.second.login == login; });
}

void PushServer::schedule_report(const std::string& login, int32_t sms_id) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (report_delay_ms_ < 0) {
            return;
        }
        reports_.emplace(Clock::now() + std::chrono::milliseconds(report_delay_ms_),
                         std::make_pair(login, sms_id));
    }
    wake();
}

void PushServer::send_due_reports() {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto now = Clock::now();
    while (!reports_.empty() && reports_.begin()->first <= now) {
        const auto [login, id] = reports_.begin()->second;
        reports_.erase(reports_.begin());
        send_locked(login, kEventSmsReport, static_cast<uint32_t>(id));
    }
}

void PushServer::later(int ms, std::function<void(World&)> task) {
    if (!world_) {
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        tasks_.emplace(Clock::now() + std::chrono::milliseconds(ms), std::move(task));
    }
    wake();
}

// The tasks take the service's lock, and may send events: so they run
// without ours.
void PushServer::run_due_tasks() {
    std::vector<std::function<void(World&)>> due;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto now = Clock::now();
        while (!tasks_.empty() && tasks_.begin()->first <= now) {
            due.push_back(std::move(tasks_.begin()->second));
            tasks_.erase(tasks_.begin());
        }
    }
    for (const auto& task : due) {
        world_(task);
    }
}

void PushServer::set_modes(SessionMode session, AliveMode alive) {
    std::lock_guard<std::mutex> lock(mutex_);
    session_mode_ = session;
    alive_mode_ = alive;
}

void PushServer::set_report_delay(int ms) {
    std::lock_guard<std::mutex> lock(mutex_);
    report_delay_ms_ = ms;
}

int PushServer::raw(const std::string& login, const std::string& bytes,
                    const std::vector<size_t>& sizes, int gap_ms) {
    std::vector<std::string_view> pieces;
    std::string_view rest(bytes);
    for (const size_t size : sizes) {
        if (rest.empty()) {
            break;
        }
        pieces.push_back(rest.substr(0, size));
        rest.remove_prefix(pieces.back().size());
    }
    if (!rest.empty() || pieces.empty()) {
        pieces.push_back(rest);
    }
    std::unique_lock<std::mutex> lock(mutex_);
    int sessions = 0;
    for (size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0 && gap_ms > 0 &&
            stop_cv_.wait_for(lock, std::chrono::milliseconds(gap_ms),
                              [this] { return stopping_.load(); })) {
            break;
        }
        int written = 0;
        for (Connection* c : writable_sessions(login)) {
            if (write(*c, pieces[i])) {
                log_.add(c->port, "raw " + std::to_string(pieces[i].size()));
                ++written;
            }
        }
        sessions = i == 0 ? written : sessions;
    }
    return sessions;
}

int PushServer::burst(const std::string& login,
                      const std::vector<std::pair<int32_t, uint32_t>>& events, uint32_t seed) {
    std::string bytes;
    bytes.reserve(events.size() * 10);
    for (const auto& [type, param] : events) {
        bytes += event_frame(type, param);
    }
    std::mt19937 random(seed);
    std::uniform_int_distribution<size_t> piece_size(1, 64);
    std::lock_guard<std::mutex> lock(mutex_);
    const auto sessions = writable_sessions(login);
    for (size_t at = 0; at < bytes.size();) {
        const size_t n = std::min(piece_size(random), bytes.size() - at);
        for (Connection* c : sessions) {
            write(*c, std::string_view(bytes).substr(at, n));
        }
        at += n;
    }
    for (const auto& [type, param] : events) {
        for (Connection* c : sessions) {
            log_.add(c->port, "event " + event_text(login, type, param));
        }
        if (sessions.empty()) {
            log_.add("-", "not-sent " + event_text(login, type, param));
        }
    }
    return static_cast<int>(sessions.size());
}

void PushServer::drop(const std::string* login, Drop how) {
    static constexpr const char* kWhat[] = {"close server close", "close server half",
                                            "close server reset"};
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = connections_.begin(); it != connections_.end();) {
        const auto current = it++;
        Connection& c = current->second;
        if (login && (c.login.empty() || c.login != *login)) {
            continue;
        }
        if (how == Drop::Half) {
            if (!c.half) {
                shutdown(current->first, SHUT_WR);
                c.half = true;
                log_.add(c.port, kWhat[1]);
            }
            continue;
        }
        close_connection(current, kWhat[how == Drop::Close ? 0 : 2], how == Drop::Reset);
    }
}

void PushServer::set_stall(const std::string& login, bool on) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (on) {
            stalled_logins_.insert(login);
        } else {
            stalled_logins_.erase(login);
        }
    }
    wake(); // the thread polls the connections again, or no longer
}

void PushServer::reset() {
    drop(nullptr, Drop::Close);
    std::lock_guard<std::mutex> lock(mutex_);
    session_mode_ = SessionMode::Accept;
    alive_mode_ = AliveMode::Answer;
    report_delay_ms_ = kDefaultReportDelayMs;
    stalled_logins_.clear();
    reports_.clear();
    tasks_.clear();
    log_.clear();
}

std::string PushServer::log_text() {
    std::lock_guard<std::mutex> lock(mutex_);
    return log_.text();
}

void PushServer::clear_log() {
    std::lock_guard<std::mutex> lock(mutex_);
    log_.clear();
}

} // namespace sim
