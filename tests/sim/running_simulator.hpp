// A test fixture: the simulator started for each test on free ports, with
// the certificate authority the simulator's tests share.
#pragma once

#include "certs.hpp"
#include "service.hpp"
#include "simulator.hpp"

#include <gtest/gtest.h>
#include <httplib.h>

#include <memory>
#include <string>
#include <utility>

namespace simtest {

class RunningSimulator : public ::testing::Test {
protected:
    explicit RunningSimulator(sim::World world) : service_(std::move(world)) {}

    static void SetUpTestSuite() {
        std::string error;
        ASSERT_TRUE(sim::ensure_ca(std::string(BRISKO_SIM_TEST_DIR) + "/state", files_, error))
            << error;
    }

    void SetUp() override {
        sim_ = std::make_unique<sim::Simulator>(
            service_, sim::Simulator::Config{files_.server_pem, files_.server_key, 0, 0, 0});
        std::string error;
        ASSERT_TRUE(sim_->start(error)) << error;
    }

    void TearDown() override { sim_->stop(); }

    // A client of the HTTPS port that trusts the simulator's authority.
    std::unique_ptr<httplib::SSLClient> https_client(const char* host = "localhost") const {
        auto c = std::make_unique<httplib::SSLClient>(host, sim_->https_port());
        c->set_ca_cert_path(files_.ca_pem.c_str());
        c->enable_server_certificate_verification(true);
        c->set_keep_alive(true);
        c->set_decompress(false);
        c->set_connection_timeout(5);
        c->set_read_timeout(20);
        return c;
    }

    static inline sim::CertFiles files_;
    sim::Service service_;
    std::unique_ptr<sim::Simulator> sim_;
};

} // namespace simtest
