// VERSION and the installer download over real sockets: what a client that
// checks its version and fetches, resumes or gives up on the installer gets.
#include "running_simulator.hpp"
#include "test_util.hpp"

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

long elapsed_ms(Clock::time_point since) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

const char* const kSetup = "/briskopc/setup.exe";

sim::World world_with_session() {
    sim::World world;
    world.accounts = {{"+48600100200", "haslo123", "Zofia", 250, 30, 1}};
    world.web_sessions["C1"] = "+48600100200";
    return world;
}

class UpdateTest : public simtest::RunningSimulator {
protected:
    UpdateTest() : RunningSimulator(world_with_session()) {}

    int control(const char* method, const std::string& path, const std::string& body = "") {
        httplib::Client c("127.0.0.1", sim_->control_port());
        c.set_read_timeout(20);
        const httplib::Result r = c.send([&] {
            httplib::Request req;
            req.method = method;
            req.path = path;
            req.body = body;
            req.set_header("Content-Type", "application/octet-stream");
            return req;
        }());
        last_reply_ = r ? r->body : "";
        return r ? r->status : -1;
    }

    std::string installer() {
        EXPECT_EQ(control("GET", "/installer"), 200);
        return last_reply_;
    }

    std::string requests() {
        EXPECT_EQ(control("GET", "/installer/requests"), 200);
        return last_reply_;
    }

    // A download that hangs up once its first bytes arrive; true when they did.
    bool hang_up_midway(httplib::SSLClient& c) {
        const httplib::Result r = c.Get(kSetup, [](const char*, size_t) { return false; });
        return !r && r.error() == httplib::Error::Canceled;
    }

    std::string last_reply_;
};

} // namespace

TEST_F(UpdateTest, VersionAnswersTheWorldsTextByteForByte) {
    auto c = https_client();
    const auto version = [&c] {
        const httplib::Result r =
            c->Get("/briskopc.asp?function=VERSION", {{"Cookie", "ASPSESSIONID=C1"}});
        return r ? r->body : "no answer";
    };
    EXPECT_EQ(version(), "VEROK\r\n0.22");
    EXPECT_EQ(c->Get("/briskopc.asp?function=VERSION")->body, "NOP"); // no web session

    ASSERT_EQ(control("PUT", "/version", "0.22\r\n"), 200);
    EXPECT_EQ(version(), "VEROK\r\n0.22\r\n");
    ASSERT_EQ(control("PUT", "/version", "0.23"), 200);
    EXPECT_EQ(version(), "VEROK\r\n0.23");
    EXPECT_EQ(control("GET", "/version"), 200);
    EXPECT_EQ(last_reply_, "0.23");
    EXPECT_EQ(control("POST", "/version", "0.24"), 405);
}

TEST_F(UpdateTest, InstallerComesWholeOrFromTheResumeOffset) {
    auto c = https_client();
    const std::string stand_in = installer();
    EXPECT_GE(stand_in.size(), 1000u);
    // Compressible bytes, offered compression: they still come as they are.
    std::string bytes(1 << 20, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>(i % 251 < 200 ? 'A' : i % 7);
    }
    ASSERT_EQ(control("PUT", "/installer", bytes), 200);
    EXPECT_EQ(installer(), bytes);
    const std::string size = std::to_string(bytes.size());
    httplib::Result r = c->Get("/BriskoPC/Setup.EXE", {{"Accept-Encoding", "gzip, deflate, br"}});
    ASSERT_TRUE(r) << httplib::to_string(r.error());
    EXPECT_EQ(r->status, 200);
    EXPECT_TRUE(r->body == bytes);
    EXPECT_EQ(r->get_header_value("Content-Length"), size);
    EXPECT_EQ(r->get_header_value("Content-Type"), "application/octet-stream");
    EXPECT_FALSE(r->has_header("Content-Encoding"));
    EXPECT_FALSE(r->has_header("Content-Range"));

    r = c->Get(kSetup, {{"Range", "bytes=1000-"}});
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 206);
    EXPECT_EQ(r->get_header_value("Content-Range"), "bytes 1000-1048575/" + size);
    EXPECT_EQ(r->get_header_value("Content-Length"), std::to_string(bytes.size() - 1000));
    EXPECT_TRUE(r->body == bytes.substr(1000));
    r = c->Get(kSetup, {{"Range", "bytes=1048575-"}});
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 206);
    EXPECT_EQ(r->body, bytes.substr(1048575));
    r = c->Get(kSetup, {{"Range", "bytes=" + size + "-"}});
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 416);
    EXPECT_EQ(r->get_header_value("Content-Range"), "bytes */" + size);
    r = c->Get(kSetup, {{"Range", "bytes=0-9"}}); // not a resume: the whole file
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 200);
    EXPECT_EQ(r->body.size(), bytes.size());

    EXPECT_EQ(requests(), "200 -\n206 bytes=1000-\n206 bytes=1048575-\n416 bytes=" + size +
                              "-\n200 bytes=0-9\n");
    ASSERT_EQ(control("DELETE", "/installer/requests"), 200);
    EXPECT_EQ(requests(), "");
    ASSERT_EQ(control("GET", "/log"), 200);
    EXPECT_NE(last_reply_.find(" - /BriskoPC/Setup.EXE\n"), std::string::npos) << last_reply_;

    // Generated bytes: the same for the same size, and served as they are.
    ASSERT_EQ(control("PUT", "/installer?size=300000"), 200);
    const std::string generated = installer();
    EXPECT_EQ(generated.size(), 300000u);
    ASSERT_EQ(control("PUT", "/installer?size=300000"), 200);
    EXPECT_TRUE(installer() == generated);
    EXPECT_NE(generated.substr(0, 1000), generated.substr(1000, 1000));
    r = c->Get(kSetup);
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->body == generated);

    ASSERT_EQ(control("DELETE", "/installer"), 200);
    EXPECT_EQ(installer(), stand_in);
    EXPECT_EQ(control("PUT", "/installer"), 400); // no byte
    EXPECT_EQ(control("PUT", "/installer?size=0"), 400);
    EXPECT_EQ(control("PUT", "/installer?size=268435457"), 400);
    EXPECT_EQ(installer(), stand_in);
}

TEST_F(UpdateTest, ModesShapeTheAnswer) {
    auto c = https_client();
    const std::string bytes = installer();

    ASSERT_EQ(control("PUT", "/installer/mode", "nolength"), 200);
    httplib::Result r = c->Get(kSetup);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 200);
    EXPECT_FALSE(r->has_header("Content-Length"));
    EXPECT_EQ(r->get_header_value("Transfer-Encoding"), "chunked");
    EXPECT_TRUE(r->body == bytes);

    ASSERT_EQ(control("PUT", "/installer/mode", "cut"), 200);
    std::string length, got;
    r = c->Get(
        kSetup,
        [&length](const httplib::Response& res) {
            length = res.get_header_value("Content-Length");
            return true;
        },
        [&got](const char* data, size_t n) {
            got.append(data, n);
            return true;
        });
    EXPECT_FALSE(r);
    EXPECT_EQ(length, std::to_string(bytes.size()));
    EXPECT_TRUE(got == bytes.substr(0, bytes.size() / 2));

    const std::pair<const char*, const char*> refusals[] = {
        {"404", ""}, {"401", "WWW-Authenticate"}, {"407", "Proxy-Authenticate"}};
    for (const auto& [mode, header] : refusals) {
        ASSERT_EQ(control("PUT", "/installer/mode", mode), 200);
        r = c->Get(kSetup, {{"Range", "bytes=10-"}});
        ASSERT_TRUE(r) << mode;
        EXPECT_EQ(std::to_string(r->status), mode);
        EXPECT_FALSE(r->body.empty()) << mode;
        EXPECT_FALSE(r->has_header("Content-Range")) << mode;
        if (*header) {
            EXPECT_EQ(r->get_header_value(header), "Basic realm=\"Brisko\"") << mode;
        }
    }
    EXPECT_EQ(control("PUT", "/installer/mode", "fast"), 400);
    ASSERT_EQ(control("PUT", "/installer/mode", "normal"), 200);
    EXPECT_EQ(c->Get(kSetup)->status, 200);
    EXPECT_EQ(requests(), "200 -\n200 -\n404 bytes=10-\n401 bytes=10-\n407 bytes=10-\n200 -\n");
}

TEST_F(UpdateTest, RatePacesTheBodyInPieces) {
    constexpr int kSize = 30000, kRate = 60000; // half a second
    ASSERT_EQ(control("PUT", "/installer?size=" + std::to_string(kSize)), 200);
    ASSERT_EQ(control("PUT", "/installer/rate", std::to_string(kRate)), 200);
    auto c = https_client();
    ASSERT_TRUE(c->Get("/briskopc.asp?function=BENCH")); // the TLS handshake is not timed
    std::string got;
    int pieces = 0;
    const Clock::time_point start = Clock::now();
    const httplib::Result r = c->Get(kSetup, [&](const char* data, size_t n) {
        got.append(data, n);
        ++pieces;
        return true;
    });
    ASSERT_TRUE(r);
    EXPECT_GE(elapsed_ms(start), kSize * 900L / kRate);
    EXPECT_GE(pieces, 5);
    EXPECT_TRUE(got == installer());

    EXPECT_EQ(control("PUT", "/installer/rate", "-1"), 400);
    ASSERT_EQ(control("PUT", "/installer/rate", "0"), 200);
    EXPECT_TRUE(c->Get(kSetup));
}

TEST_F(UpdateTest, PacedDownloadsEndWithTheirClientOrTheServer) {
    // 40 s each at this rate: a thread kept by a hung-up client would be
    // kept that long, and more of them than the server has would starve it.
    ASSERT_EQ(control("PUT", "/installer?size=4000000"), 200);
    ASSERT_EQ(control("PUT", "/installer/rate", "100000"), 200);
    auto c = https_client();
    for (int i = 0; i < 40; ++i) {
        ASSERT_TRUE(hang_up_midway(*c)) << i;
    }

    const auto download_cut_short = [this](const std::function<void()>& cut) {
        auto c = https_client();
        std::atomic<bool> started{false};
        auto pending = std::async(std::launch::async, [&] {
            return c->Get(kSetup, [&](const char*, size_t) {
                started = true;
                return true;
            });
        });
        for (int i = 0; i < 1000 && !started; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ASSERT_TRUE(started);
        const Clock::time_point at = Clock::now();
        cut();
        EXPECT_LT(elapsed_ms(at), 10000);
        ASSERT_EQ(pending.wait_for(std::chrono::seconds(10)), std::future_status::ready);
        EXPECT_FALSE(pending.get());
    };
    download_cut_short([this] { ASSERT_EQ(control("POST", "/unreachable"), 200); });
    ASSERT_EQ(control("POST", "/reachable"), 200);
    download_cut_short([this] { sim_->stop(); });
}
