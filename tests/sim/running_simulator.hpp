// A test fixture: the simulator started for each test on free ports, with
// the certificate authority the simulator's tests share.
#pragma once

#include "certs.hpp"
#include "service.hpp"
#include "simulator.hpp"

#include <gtest/gtest.h>

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

    static inline sim::CertFiles files_;
    sim::Service service_;
    std::unique_ptr<sim::Simulator> sim_;
};

} // namespace simtest
