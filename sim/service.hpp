// The service behind the HTTPS port, without the sockets: it takes one
// request (method, target, connection id) and gives the answer, keeping the
// request log, the world, the function handlers and the answers set through
// the control interface. Thread-safe: one lock around everything.
#pragma once

#include "answers.hpp"
#include "functions.hpp"
#include "world.hpp"

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sim {

// The installer's bytes from `first` to the end, as an answer carries them.
struct Download {
    std::shared_ptr<const std::string> content;
    size_t first = 0;
    DownloadMode mode = DownloadMode::normal; // normal, no_length or cut
    int32_t rate = 0;                         // bytes per second; 0: unlimited
};

struct Reply {
    int status = 200;
    std::string body;       // raw bytes, sent as text/html with a Content-Length
    std::string set_cookie; // a Set-Cookie header to send, "" for none
    bool lost = false;      // the answer never goes out: the server drops the connection
    std::vector<std::pair<std::string, std::string>> headers; // more headers to send
    std::optional<Download> download; // sent instead of `body`, as application/octet-stream
};

// The cookie that tells the service's clients apart, as an ASP server's
// session cookie does: every script request without it gets a fresh one, and
// LOGIN ties it to the account (World::web_sessions). WinInet keeps it for the
// life of the client's Internet session.
inline constexpr std::string_view kSessionCookie = "ASPSESSIONID";

// `s` with bytes below `first_kept`, 0x7F and "\" written \xHH, so that it
// stays on one line of a control reply.
std::string escape_bytes(std::string_view s, unsigned char first_kept);

class Service {
public:
    explicit Service(World world, FunctionTable functions = standard_functions());

    // One HTTPS request: appends it to the log and returns its answer. For
    // GET /briskopc.asp (any case) the answer of "function=": a control answer
    // if one is set, else the function's handler, else an empty 200 body.
    // For GET /briskopc/setup.exe (any case) the installer as its mode says,
    // from the offset of a `range` "bytes=N-". `cookies` and `range` are the
    // request's Cookie and Range headers.
    Reply handle(std::string_view method, std::string_view target, std::string_view connection,
                 std::string_view cookies = "", std::string_view range = "");

    // What the control interface changes (see answers.hpp).
    void set_answer(const std::string& function, std::string body);
    void queue_once(const std::string& function, std::string body);
    void reset_answer(const std::string& function);
    // The next call of `function` is handled (what it changes, changes) but
    // its answer is lost, as when the line breaks before it comes back.
    void lose_answer_once(const std::string& function);

    // Runs `f` on the world under the service's lock.
    void with_world(const std::function<void(World&)>& f);

    // Delay before every HTTPS answer, in ms (0: none). The server does the waiting.
    void set_slow_ms(int ms) { slow_ms_ = ms; }
    int slow_ms() const { return slow_ms_; }

    // The request log: one line "<connection> <function> <target>\n" per
    // request, function "-" when there is none; bytes below 0x21, 0x7F and
    // "\" are written \xHH so that a line stays one line.
    std::string log() const;
    void clear_log();

private:
    Reply installer_reply(std::string_view method, std::string_view range); // under the lock

    mutable std::mutex mutex_;
    World world_;
    FunctionTable functions_;
    AnswerTable answers_;
    std::map<std::string, int> lost_; // answers still to lose, by function
    std::string log_;
    std::atomic<int> slow_ms_{0};
};

} // namespace sim
