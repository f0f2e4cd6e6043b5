// A test fixture for the push server and what travels over it: the running
// simulator, its control interface over HTTP, the push log, and clients that
// log in and open push sessions.
#pragma once

#include "push_client.hpp"
#include "running_simulator.hpp"
#include "service_client.hpp"
#include "test_util.hpp"

#include <gtest/gtest.h>
#include <httplib.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace simtest {

inline const std::string kAccept("\x03\x01\x01", 3);
inline const std::string kRefuse("\x03\x01\x00", 3);
inline const std::string kKeepAlive("\x03\x02\x01", 3);
inline const std::string kAlive("\x03\x02\x01", 3);

inline std::string session_request(const std::string& id) {
    return "\x26\x01" + id;
}

class PushSimulator : public RunningSimulator {
protected:
    using RunningSimulator::RunningSimulator;

    // Status and body of one control command.
    std::pair<int, std::string> control(const std::string& method, const std::string& path,
                                        const std::string& body = "") const {
        httplib::Client c("127.0.0.1", sim_->control_port());
        c.set_read_timeout(20);
        const httplib::Result r =
            method == "GET"      ? c.Get(path.c_str())
            : method == "PUT"    ? c.Put(path.c_str(), body, "application/octet-stream")
            : method == "DELETE" ? c.Delete(path.c_str())
                                 : c.Post(path.c_str(), body, "application/octet-stream");
        return r ? std::make_pair(r->status, r->body) : std::make_pair(-1, std::string());
    }

    std::vector<std::string> push_log() const { return lines(control("GET", "/push/log").second); }

    // Log lines of one connection, without the time.
    std::vector<std::string> log_of(const std::string& connection) const {
        std::vector<std::string> out;
        for (const std::string& line : push_log()) {
            const size_t space = line.find(' ');
            if (line.compare(space + 1, connection.size() + 1, connection + " ") == 0) {
                out.push_back(line.substr(space + connection.size() + 2));
            }
        }
        return out;
    }

    // LOGIN and LOGINPC for `login` (password "haslo"); the session id.
    std::string log_in(Client& client, const std::string& login) {
        const std::string query = "&usr_login=%2B" + login.substr(1) + "&usr_pass=haslo";
        EXPECT_EQ(client.call("function=LOGIN" + query).substr(0, 9), "LOGINOK\r\n");
        const std::vector<std::string> answer = lines(client.call("function=LOGINPC" + query));
        return answer.size() > 1 ? answer[1].substr(0, 36) : "";
    }

    // A push connection with an open session for `login`.
    std::unique_ptr<PushClient> open_session(Client& client, const std::string& login) {
        auto push = std::make_unique<PushClient>(sim_->push_port());
        push->send_bytes(session_request(log_in(client, login)));
        EXPECT_EQ(push->read_bytes(3), kAccept);
        return push;
    }
};

} // namespace simtest
