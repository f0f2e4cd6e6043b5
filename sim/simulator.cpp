#include "simulator.hpp"

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>

#include <dirent.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace sim {

namespace {

constexpr const char* kHost = "127.0.0.1";

// Keep-alive: WinInet keeps one connection for the whole session.
constexpr size_t kKeepAliveMaxCount = 1000000;
constexpr time_t kKeepAliveSeconds = 120;
// Each open connection holds one thread of the pool while it lives.
constexpr size_t kThreads = 32;

// Downloads go out in pieces of this size, paced ones in smaller ones.
constexpr size_t kPiece = 64 * 1024;
constexpr size_t kPacedPiece = 4096;
constexpr const char* kOctets = "application/octet-stream";

// Applied by cpp-httplib to the listening socket; accepted sockets inherit
// both options on Linux. Without TCP_NODELAY, Nagle's algorithm meets the
// client's delayed acknowledgements and WinInet waits ~40 ms a request.
// SO_REUSEADDR lets /reachable listen again on the port at once (cpp-httplib's
// own default sets SO_REUSEPORT instead, which would let a second process
// share the port unnoticed).
void socket_options(int sock) {
    int one = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

// Shuts down every connected TCP socket of this process whose local port is
// `port`: the connections a server accepted on it, also those that have not
// sent a request yet. cpp-httplib then ends them and closes their sockets.
void drop_connections(int port) {
    DIR* dir = opendir("/proc/self/fd");
    if (!dir) {
        return;
    }
    while (const dirent* entry = readdir(dir)) {
        char* end;
        const long fd = std::strtol(entry->d_name, &end, 10);
        if (*end != '\0' || end == entry->d_name || fd == dirfd(dir)) {
            continue;
        }
        sockaddr_in addr{};
        socklen_t len = sizeof addr;
        int listening = 0;
        socklen_t optlen = sizeof listening;
        if (getsockname(static_cast<int>(fd), reinterpret_cast<sockaddr*>(&addr), &len) == 0 &&
            addr.sin_family == AF_INET && ntohs(addr.sin_port) == port &&
            getsockopt(static_cast<int>(fd), SOL_SOCKET, SO_ACCEPTCONN, &listening, &optlen) == 0 &&
            !listening) {
            shutdown(static_cast<int>(fd), SHUT_RDWR);
        }
    }
    closedir(dir);
}

// Runs a server's accept loop on its own thread; returns once it accepts.
bool run(httplib::Server& server, std::thread& thread) {
    thread = std::thread([&server] { server.listen_after_bind(); });
    for (int i = 0; i < 5000 && !server.is_running(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return server.is_running();
}

int bind_port(httplib::Server& server, int port) {
    if (port == 0) {
        return server.bind_to_any_port(kHost);
    }
    return server.bind_to_port(kHost, port) ? port : -1;
}

void route_all(httplib::Server& server, const httplib::Server::Handler& handler) {
    server.Get(".*", handler);
    server.Post(".*", handler);
    server.Put(".*", handler);
    server.Delete(".*", handler);
    server.Options(".*", handler);
}

} // namespace

Simulator::Simulator(Service& service, Config config)
    : service_(service), config_(std::move(config)) {}

Simulator::~Simulator() {
    stop();
}

bool Simulator::open_https(int port, std::string& error) {
    auto server =
        std::make_unique<httplib::SSLServer>(config_.cert_pem.c_str(), config_.key_pem.c_str());
    if (!server->is_valid()) {
        error = "cannot load " + config_.cert_pem + " and " + config_.key_pem;
        return false;
    }
    server->set_socket_options(socket_options);
    server->set_tcp_nodelay(true);
    server->set_keep_alive_max_count(kKeepAliveMaxCount);
    server->set_keep_alive_timeout(kKeepAliveSeconds);
    server->new_task_queue = [] { return new httplib::ThreadPool(kThreads); };
    // A request that arrives, or a slow answer that ends, after /unreachable
    // began gets its connection dropped like the others.
    const auto drop = [this](const httplib::Request& req, httplib::Response& res) {
        if (reachable_) {
            return false;
        }
        if (req.ssl) {
            shutdown(SSL_get_fd(req.ssl), SHUT_RDWR);
        }
        res.status = 503;
        return true;
    };
    route_all(*server, [this, drop](const httplib::Request& req, httplib::Response& res) {
        // Taken before the reachability check, so that a later drop ends a paced download.
        const uint64_t drops = drop_count();
        if (drop(req, res)) {
            return;
        }
        Reply reply =
            service_.handle(req.method, req.target, std::to_string(req.remote_port),
                            req.get_header_value("Cookie"), req.get_header_value("Range"));
        wait_slow(service_.slow_ms());
        if (reply.lost && req.ssl) {
            shutdown(SSL_get_fd(req.ssl), SHUT_RDWR);
        }
        if (drop(req, res) || reply.lost) {
            res.status = 503;
            return;
        }
        // Answers go out as the raw bytes: cpp-httplib would otherwise gzip or
        // brotli a text/html body for a client that offers Accept-Encoding, and
        // answer a Range itself (slicing even a 404, and keeping the status 200).
        // The request object is the server's own non-const one.
        auto& own = const_cast<httplib::Request&>(req);
        own.headers.erase("Accept-Encoding");
        own.ranges.clear();
        res.status = reply.status;
        if (!reply.set_cookie.empty()) {
            res.set_header("Set-Cookie", reply.set_cookie);
        }
        for (const auto& [name, value] : reply.headers) {
            res.set_header(name, value);
        }
        if (reply.download) {
            send_download(*reply.download, drops, req.ssl ? SSL_get_fd(req.ssl) : -1, res);
            return;
        }
        // One body with a Content-Length, never chunked.
        res.set_content(std::move(reply.body), "text/html");
    });
    const int bound = bind_port(*server, port);
    if (bound <= 0) {
        error = "cannot listen on " + std::string(kHost) + ":" + std::to_string(port);
        return false;
    }
    https_port_ = bound;
    https_ = std::move(server);
    reachable_ = true;
    if (!run(*https_, https_thread_)) {
        error = "the HTTPS server did not start";
        close_https();
        return false;
    }
    return true;
}

void Simulator::close_https() {
    reachable_ = false;
    if (https_) {
        https_->stop();
        drop_connections(https_port_);
    }
    // Only now wake the slow answers: their connections are gone already.
    {
        std::lock_guard<std::mutex> lock(slow_mutex_);
        ++drops_;
    }
    slow_cv_.notify_all();
    if (https_thread_.joinable()) {
        https_thread_.join();
    }
    https_.reset();
}

uint64_t Simulator::drop_count() {
    std::lock_guard<std::mutex> lock(slow_mutex_);
    return drops_;
}

bool Simulator::wait_until(Clock::time_point deadline, uint64_t drops) {
    std::unique_lock<std::mutex> lock(slow_mutex_);
    return !slow_cv_.wait_until(lock, deadline, [&] { return drops_ != drops; });
}

void Simulator::wait_slow(int ms) {
    if (ms > 0) {
        wait_until(Clock::now() + std::chrono::milliseconds(ms), drop_count());
    }
}

void Simulator::send_download(const Download& download, uint64_t drops, int socket,
                              httplib::Response& res) {
    const size_t length = download.content->size() - download.first;
    const Clock::time_point start = Clock::now();
    // Writes the bytes from `sent` on, one piece a call, no further than
    // `stop`. A paced piece goes out once the rate allows its last byte, so
    // the whole takes at least length / rate; ten pieces a second at least,
    // so that a client sees progress and its hanging up is noticed soon.
    const auto piece = [this, download, drops, start](size_t sent, size_t stop,
                                                      httplib::DataSink& sink) {
        size_t n = std::min(stop - sent, kPiece);
        if (download.rate > 0) {
            const size_t rate = static_cast<size_t>(download.rate);
            n = std::min(n, std::clamp<size_t>(rate / 10, 1, kPacedPiece));
            const auto due = start + std::chrono::microseconds((sent + n) * 1000000 / rate);
            if (!wait_until(due, drops)) {
                return false;
            }
        }
        return sink.write(download.content->data() + download.first + sent, n);
    };
    if (download.mode == DownloadMode::no_length) {
        res.set_chunked_content_provider(kOctets,
                                         [piece, length](size_t sent, httplib::DataSink& sink) {
                                             if (sent < length) {
                                                 return piece(sent, length, sink);
                                             }
                                             sink.done();
                                             return true;
                                         });
        return;
    }
    const size_t stop = download.mode == DownloadMode::cut ? length / 2 : length;
    res.set_content_provider(length, kOctets,
                             [piece, stop, socket](size_t sent, size_t, httplib::DataSink& sink) {
                                 if (sent < stop) {
                                     return piece(sent, stop, sink);
                                 }
                                 // Cut: the rest never comes.
                                 shutdown(socket, SHUT_RDWR);
                                 return false;
                             });
}

// The push server finds sessions in the world, sends the world's events and
// runs its delayed tasks; LOGIN names its port.
bool Simulator::open_push(std::string& error) {
    push_ = std::make_unique<PushServer>(
        [this](const std::string& id) {
            std::string login;
            service_.with_world([&](World& world) {
                for (const auto& [account, session] : world.pc_sessions) {
                    if (session == id) {
                        login = account;
                    }
                }
            });
            return login;
        },
        [this](const std::function<void(World&)>& task) { service_.with_world(task); });
    if (!push_->start(config_.push_port, error)) {
        push_.reset();
        return false;
    }
    service_.with_world([this](World& world) {
        world.push = push_.get();
        world.push_port = push_->port();
    });
    return true;
}

void Simulator::close_push() {
    if (!push_) {
        return;
    }
    service_.with_world([](World& world) {
        world.push = nullptr;
        world.push_port = 0;
    });
    push_->stop();
    push_.reset();
}

bool Simulator::start(std::string& error) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::signal(SIGPIPE, SIG_IGN);
    if (!open_push(error)) {
        return false;
    }
    if (!open_https(config_.https_port, error)) {
        close_push();
        return false;
    }
    control_ = std::make_unique<httplib::Server>();
    control_->set_socket_options(socket_options);
    control_->set_keep_alive_max_count(1); // one command a connection: stop() waits for none
    control_->set_payload_max_length(kMaxInstallerSize); // PUT /installer
    route_all(*control_, [this](const httplib::Request& req, httplib::Response& res) {
        const ControlReply reply =
            handle_control({req.method, req.target, req.body}, service_, this, push_.get());
        res.status = reply.status;
        res.set_content(reply.body, "text/plain");
    });
    control_port_ = bind_port(*control_, config_.control_port);
    if (control_port_ <= 0 || !run(*control_, control_thread_)) {
        error = "cannot listen on " + std::string(kHost) + ":" +
                std::to_string(config_.control_port) + " for the control interface";
        close_https();
        close_push();
        if (control_thread_.joinable()) {
            control_->stop();
            control_thread_.join();
        }
        control_.reset();
        return false;
    }
    return true;
}

void Simulator::stop() {
    // The control server first, without the lock: a control command that is
    // changing reachability holds the lock and must be let finish.
    if (control_) {
        control_->stop();
        drop_connections(control_port_);
    }
    if (control_thread_.joinable()) {
        control_thread_.join();
    }
    control_.reset();
    std::lock_guard<std::mutex> lock(mutex_);
    close_https();
    close_push();
}

bool Simulator::set_reachable(bool reachable, std::string& error) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (reachable == static_cast<bool>(https_)) {
        return true;
    }
    if (!reachable) {
        close_https();
        return true;
    }
    return open_https(https_port_, error);
}

} // namespace sim
