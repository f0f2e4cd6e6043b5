// A test client of the service without sockets: it keeps the session cookie
// the way WinInet does. Queries are sent as given, escaped as BriskoPC does.
#pragma once

#include "service.hpp"

#include <gtest/gtest.h>

#include <string>

namespace simtest {

class Client {
public:
    explicit Client(sim::Service& service) : service_(service) {}

    std::string call(const std::string& query) {
        const sim::Reply r = service_.handle("GET", "/briskopc.asp?" + query, "1", cookie_);
        EXPECT_EQ(r.status, 200) << query;
        if (!r.set_cookie.empty()) {
            cookie_ = r.set_cookie.substr(0, r.set_cookie.find(';'));
        }
        return r.body;
    }

    const std::string& cookie() const { return cookie_; }

private:
    sim::Service& service_;
    std::string cookie_;
};

} // namespace simtest
