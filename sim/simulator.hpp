// The simulator's servers on 127.0.0.1: the service over HTTPS and the
// control interface over plain HTTP, each on its own thread pool, and the
// push server on its own thread.
#pragma once

#include "control.hpp"
#include "push_server.hpp"
#include "service.hpp"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace httplib {
class Server;
class SSLServer;
struct Response;
} // namespace httplib

namespace sim {

class Simulator : public Reachability {
public:
    struct Config {
        std::string cert_pem; // server certificate and key files (certs.hpp)
        std::string key_pem;
        int https_port = 0; // 0: a free port
        int control_port = 0;
        int push_port = 0;
    };

    Simulator(Service& service, Config config);
    ~Simulator() override;

    // Listens on the three ports; from its return on all answer. It ignores
    // SIGPIPE for the whole process (a client that hangs up must not kill us).
    bool start(std::string& error);
    // Closes the ports and every open connection; returns when all is stopped.
    void stop();

    int https_port() const { return https_port_; }
    int control_port() const { return control_port_; }
    int push_port() const { return push_ ? push_->port() : 0; }

    // false: closes the HTTPS port and drops its open connections (clients
    // then get connection failures); true: listens again on the same port.
    bool set_reachable(bool reachable, std::string& error) override;

private:
    bool open_https(int port, std::string& error);
    bool open_push(std::string& error);
    void close_push();
    void close_https();
    using Clock = std::chrono::steady_clock;
    // How often the HTTPS connections were dropped: a wait begun at one count
    // ends when it changes.
    uint64_t drop_count();
    // Waits until `deadline`; false when the connections were dropped since `drops`.
    bool wait_until(Clock::time_point deadline, uint64_t drops);
    void wait_slow(int ms);
    // Makes `res` carry the installer's bytes as `download` says, at its rate;
    // `socket` is the connection's, which a cut answer drops.
    void send_download(const Download& download, uint64_t drops, int socket,
                       httplib::Response& res);

    Service& service_;
    Config config_;
    std::mutex mutex_; // serialises start, stop and reachability changes
    std::unique_ptr<httplib::SSLServer> https_;
    std::thread https_thread_;
    std::unique_ptr<httplib::Server> control_;
    std::thread control_thread_;
    std::unique_ptr<PushServer> push_;
    std::atomic<bool> reachable_{false};
    int https_port_ = 0;
    int control_port_ = 0;

    // Slow answers wait on this, so that dropping the connections ends the wait.
    std::mutex slow_mutex_;
    std::condition_variable slow_cv_;
    uint64_t drops_ = 0;
};

} // namespace sim
