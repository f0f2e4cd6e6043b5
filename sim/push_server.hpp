// The push server on 127.0.0.1, on plain POSIX sockets: one thread polls the
// listening socket and every connection, answers session requests and
// keep-alives, and sends the delivery reports and runs the world's delayed
// tasks when they fall due. Other
// threads (the service's functions, the control interface) write events to
// the open sessions directly, under the server's lock, each frame or piece
// in one send().
#pragma once

#include "push_frames.hpp"
#include "push_log.hpp"
#include "world.hpp"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace sim {

class PushServer : public PushSink {
public:
    // The login of the account whose current LOGINPC id is `id`, "" for none.
    // Called on the server's thread without its lock held.
    using SessionLookup = std::function<std::string(const std::string& id)>;
    // Runs a task on the world under the service's lock. Called on the
    // server's thread without its lock held.
    using WorldAccess = std::function<void(const std::function<void(World&)>& task)>;

    enum class SessionMode { Accept, Reject, Silent };
    enum class AliveMode { Answer, Silent, Dead };
    enum class Drop { Close, Half, Reset };

    static constexpr int kDefaultReportDelayMs = 2000;

    // Without `world`, tasks given to later() never run.
    explicit PushServer(SessionLookup lookup, WorldAccess world = {});
    ~PushServer() override;
    PushServer(const PushServer&) = delete;
    PushServer& operator=(const PushServer&) = delete;

    // Listens on `port` (0: a free one); false with `error` on failure.
    bool start(int port, std::string& error);
    // Closes every connection and the port; returns when the thread has ended.
    void stop();
    int port() const { return port_; }

    void send_event(const std::string& login, int32_t type, uint32_t param) override;
    bool has_session(const std::string& login) override;
    void schedule_report(const std::string& login, int32_t sms_id) override;
    void later(int ms, std::function<void(World&)> task) override;

    void set_modes(SessionMode session, AliveMode alive);
    // -1: reports are never sent.
    void set_report_delay(int ms);
    // These return the number of open sessions of `login` written to.
    int event(const std::string& login, int32_t type, uint32_t param);
    // Each piece its own send(), `gap_ms` apart; `sizes` as asked, the rest last.
    int raw(const std::string& login, const std::string& bytes, const std::vector<size_t>& sizes,
            int gap_ms);
    // The frames' bytes back to back, written in pieces of 1 to 64 bytes
    // chosen by `seed`, each its own send().
    int burst(const std::string& login, const std::vector<std::pair<int32_t, uint32_t>>& events,
              uint32_t seed);
    // Every open session connection of `login`, or with null every connection.
    void drop(const std::string* login, Drop how);
    void set_stall(const std::string& login, bool on);
    // Default modes, the default report delay, no stall, no connections, no
    // pending reports or tasks, an empty log.
    void reset();

    std::string log_text();
    void clear_log();

private:
    struct Connection {
        int fd = -1;
        uint64_t id = 0;     // tells a connection from a later one on the same descriptor
        std::string port;    // the client's, as the log names the connection
        std::string login;   // the open session's account, "" for none
        ClientInput in;      // what the client sent that was not handled yet
        std::string out;     // what a full socket buffer did not take yet
        bool half = false;   // shut down for sending
        bool broken = false; // `out` overflowed: closed by the thread
    };
    using Connections = std::map<int, Connection>; // by descriptor

    void run();
    void accept_all();
    void service_connection(int fd, uint64_t id, short revents);
    // Handles the frames at the front of the input; stops at a session
    // request that needs a look-up and returns its id.
    bool take_frames(Connection& c, std::string& session_id);
    void answer_session(Connection& c, const std::string& login);
    void send_due_reports();
    void run_due_tasks();
    int next_timeout_ms();

    bool stalled(const Connection& c) const;
    bool writable(const Connection& c) const { return !c.half && !c.broken && !stalled(c); }
    std::vector<Connection*> writable_sessions(const std::string& login);
    bool write(Connection& c, std::string_view bytes);
    void flush(Connection& c);
    int send_locked(const std::string& login, int32_t type, uint32_t param);
    void close_connection(Connections::iterator it, std::string_view what, bool reset = false);
    void wake();

    SessionLookup lookup_;
    WorldAccess world_;
    std::mutex mutex_;
    std::condition_variable stop_cv_; // cuts raw's gaps short at stop
    Connections connections_;
    uint64_t next_id_ = 1;
    std::set<std::string> stalled_logins_;
    std::multimap<std::chrono::steady_clock::time_point, std::pair<std::string, int32_t>> reports_;
    std::multimap<std::chrono::steady_clock::time_point, std::function<void(World&)>> tasks_;
    SessionMode session_mode_ = SessionMode::Accept;
    AliveMode alive_mode_ = AliveMode::Answer;
    int report_delay_ms_ = kDefaultReportDelayMs;
    PushLog log_;

    int listen_fd_ = -1;
    int wake_read_ = -1, wake_write_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

} // namespace sim
