// The control interface (plain HTTP on loopback, see README.md), without the
// sockets: one request in, one reply out.
#pragma once

#include "service.hpp"

#include <string>

namespace sim {

class PushServer;

// What the control interface can do to the HTTPS port (the server implements it).
class Reachability {
public:
    virtual ~Reachability() = default;
    // Closes (false) or reopens (true) the HTTPS port; false with `error` on failure.
    virtual bool set_reachable(bool reachable, std::string& error) = 0;
};

struct ControlRequest {
    std::string method;
    std::string target; // path and query as received
    std::string body;
};

struct ControlReply {
    int status = 200;
    std::string body;
};

// `net` may be null: then /unreachable and /reachable answer 501; `push` too:
// then the /push/ commands that need the push server answer 501.
ControlReply handle_control(const ControlRequest& request, Service& service, Reachability* net,
                            PushServer* push = nullptr);

} // namespace sim
