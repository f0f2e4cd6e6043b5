// End to end: the simulator's servers over real sockets, with cpp-httplib
// clients that check its certificate against its own authority; and the
// brisko-sim program itself as a child process.
#include "service.hpp"
#include "running_simulator.hpp"
#include "simulator.hpp"
#include "test_util.hpp"

#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <cstring>
#include <future>
#include <map>
#include <sstream>

#include <dirent.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

long elapsed_ms(Clock::time_point since) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

std::string bench(int n) {
    return "/briskopc.asp?function=BENCH&n=" + std::to_string(n);
}

std::string first_word(const std::string& line) {
    return line.substr(0, line.find(' '));
}

// Connects a plain TCP socket to 127.0.0.1:port; returns it, or -errno.
int tcp_connect(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        const int error = errno;
        close(fd);
        return -error;
    }
    return fd;
}

// TCP_NODELAY of each connected socket of this process whose local port is `port`.
std::vector<int> nodelay_of_accepted(int port) {
    std::vector<int> result;
    DIR* dir = opendir("/proc/self/fd");
    while (const dirent* e = readdir(dir)) {
        const int fd = std::atoi(e->d_name);
        sockaddr_in addr{};
        socklen_t len = sizeof addr;
        int listening = 1, nodelay = 0;
        socklen_t optlen = sizeof(int);
        if (fd > 2 && fd != dirfd(dir) &&
            getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0 &&
            addr.sin_family == AF_INET && ntohs(addr.sin_port) == port &&
            getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &listening, &optlen) == 0 && !listening &&
            getsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &nodelay, &optlen) == 0) {
            result.push_back(nodelay);
        }
    }
    closedir(dir);
    return result;
}

class SimulatorTest : public simtest::RunningSimulator {
protected:
    SimulatorTest() : RunningSimulator(sim::World{}) {}

    std::unique_ptr<httplib::SSLClient> client(const char* host = "localhost") const {
        return https_client(host);
    }

    httplib::Client control() const {
        httplib::Client c("127.0.0.1", sim_->control_port());
        c.set_read_timeout(20);
        return c;
    }

    int post(const std::string& path, const std::string& body = "") const {
        const httplib::Result r = control().Post(path.c_str(), body, "application/octet-stream");
        return r ? r->status : -1;
    }

    std::vector<std::string> log() const {
        const httplib::Result r = control().Get("/log");
        return r ? simtest::lines(r->body) : std::vector<std::string>{"no answer"};
    }
};

} // namespace

TEST_F(SimulatorTest, KeepAliveServesManyRequestsOnOneConnection) {
    auto c = client();
    for (int i = 0; i < 5; ++i) {
        const httplib::Result r = c->Get(bench(i).c_str());
        ASSERT_TRUE(r) << httplib::to_string(r.error());
        EXPECT_EQ(r->status, 200);
        EXPECT_EQ(r->body, "OK\r\n" + std::to_string(i));
        EXPECT_EQ(r->get_header_value("Connection"), ""); // not "close"
    }
    // Every accepted socket has TCP_NODELAY.
    const std::vector<int> nodelay = nodelay_of_accepted(sim_->https_port());
    ASSERT_FALSE(nodelay.empty());
    for (const int on : nodelay) {
        EXPECT_EQ(on, 1);
    }
    ASSERT_TRUE(client("127.0.0.1")->Get(bench(5).c_str())); // the certificate names the IP too

    const std::vector<std::string> l = log();
    ASSERT_EQ(l.size(), 6u);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(l[i], first_word(l[0]) + " BENCH " + bench(i));
    }
    EXPECT_NE(first_word(l[5]), first_word(l[0]));
}

TEST_F(SimulatorTest, ClientsThatDoNotTrustTheAuthorityAreRefused) {
    httplib::SSLClient c("localhost", sim_->https_port());
    c.set_ca_cert_path(files_.server_pem.c_str()); // not the authority
    c.enable_server_certificate_verification(true);
    const httplib::Result r = c.Get(bench(1).c_str());
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error(), httplib::Error::SSLServerVerification);
}

TEST_F(SimulatorTest, AnswersArriveWholeAsRawBytes) {
    const std::string raw("LOGINOK\r\n\0\xB9\xEA\r\n\0", 15);
    ASSERT_EQ(control().Put("/answer/RAW", raw, "application/octet-stream")->status, 200);
    // A client that offers compression still gets the bytes as they are.
    const httplib::Result r =
        client()->Get("/briskopc.asp?function=RAW", {{"Accept-Encoding", "gzip, deflate, br"}});
    ASSERT_TRUE(r);
    EXPECT_EQ(r->body, raw);
    EXPECT_EQ(r->get_header_value("Content-Length"), "15");
    EXPECT_EQ(r->get_header_value("Content-Type"), "text/html");
    EXPECT_FALSE(r->has_header("Content-Encoding"));
    EXPECT_FALSE(r->has_header("Transfer-Encoding"));
}

TEST_F(SimulatorTest, SessionCookieTiesCallsToTheLogin) {
    service_.with_world([](sim::World& w) {
        w.accounts.push_back({"+48600100200", "haslo123", "Zofia", 1, 2, 3});
    });
    const std::string pc =
        "/briskopc.asp?function=LOGINPC&usr_login=%2B48600100200&usr_pass=haslo123";
    auto c = client();
    const httplib::Result login =
        c->Get("/briskopc.asp?function=LOGIN&usr_login=%2B48600100200&usr_pass=haslo123");
    ASSERT_TRUE(login);
    EXPECT_EQ(login->body, "LOGINOK\r\n127.0.0.1\r\n" + std::to_string(sim_->push_port()) +
                               "\r\n1\r\n2\r\n3\r\n");
    const std::string set_cookie = login->get_header_value("Set-Cookie");
    ASSERT_NE(set_cookie, "");
    const std::string cookie = set_cookie.substr(0, set_cookie.find(';'));

    EXPECT_EQ(c->Get(pc.c_str())->body, "NOP"); // without the cookie
    const httplib::Result r = c->Get(pc.c_str(), {{"Cookie", cookie}});
    ASSERT_TRUE(r);
    EXPECT_EQ(r->body.substr(0, 11), "LOGINPCOK\r\n");
    EXPECT_FALSE(r->has_header("Set-Cookie"));
}

TEST_F(SimulatorTest, OnceAnswersOverTheWire) {
    ASSERT_EQ(post("/answer/BENCH/once", "NOP"), 200);
    auto c = client();
    EXPECT_EQ(c->Get(bench(1).c_str())->body, "NOP");
    EXPECT_EQ(c->Get(bench(2).c_str())->body, "OK\r\n2");
}

TEST_F(SimulatorTest, ALostAnswerIsHandledButNeverArrives) {
    ASSERT_EQ(post("/lose/BENCH"), 200);
    auto c = client();
    EXPECT_FALSE(c->Get(bench(1).c_str())); // the connection drops instead
    const httplib::Result r = c->Get(bench(2).c_str());
    ASSERT_TRUE(r) << "one answer lost, the next arrives";
    EXPECT_EQ(r->body, "OK\r\n2");
    EXPECT_EQ(log().size(), 2u) << "the lost call reached the service";

    // Back to the default forgets the answers still to lose.
    ASSERT_EQ(post("/lose/BENCH"), 200);
    ASSERT_EQ(control().Delete("/answer/BENCH")->status, 200);
    EXPECT_TRUE(c->Get(bench(3).c_str()));
    EXPECT_EQ(post("/lose/"), 400);
    EXPECT_EQ(control().Get("/lose/BENCH")->status, 405);
}

TEST_F(SimulatorTest, UnreachableRefusesAndReachableRestores) {
    auto kept = client();
    ASSERT_TRUE(kept->Get(bench(1).c_str()));
    const int idle = tcp_connect(sim_->https_port()); // connected, never says anything
    ASSERT_GE(idle, 0);

    ASSERT_EQ(post("/unreachable"), 200);
    EXPECT_EQ(post("/unreachable"), 200); // twice is fine
    EXPECT_EQ(tcp_connect(sim_->https_port()), -ECONNREFUSED);
    EXPECT_FALSE(kept->Get(bench(2).c_str())); // its connection was dropped
    EXPECT_FALSE(client()->Get(bench(3).c_str()));
    // The silent connection was dropped too: it reads the end.
    pollfd p{idle, POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 5000), 1);
    char byte;
    EXPECT_LE(recv(idle, &byte, 1, 0), 0);
    close(idle);

    ASSERT_EQ(post("/reachable"), 200);
    const httplib::Result r = client()->Get(bench(4).c_str());
    ASSERT_TRUE(r) << httplib::to_string(r.error());
    EXPECT_EQ(r->body, "OK\r\n4");
    EXPECT_TRUE(kept->Get(bench(5).c_str())); // reconnects on the same port

    const std::vector<std::string> l = log();
    ASSERT_EQ(l.size(), 3u); // nothing arrived while unreachable
    EXPECT_EQ(l[1].substr(l[1].find(' ')), " BENCH " + bench(4));
}

TEST_F(SimulatorTest, SlowDelaysEveryAnswerUntilTurnedOff) {
    auto c = client();
    ASSERT_TRUE(c->Get(bench(0).c_str())); // the TLS handshake is not timed
    ASSERT_EQ(post("/slow?ms=1500"), 200);
    Clock::time_point start = Clock::now();
    ASSERT_TRUE(c->Get(bench(1).c_str()));
    EXPECT_GE(elapsed_ms(start), 1500);
    ASSERT_EQ(post("/slow?ms=0"), 200);
    start = Clock::now();
    ASSERT_TRUE(c->Get(bench(2).c_str()));
    EXPECT_LT(elapsed_ms(start), 1000);
}

TEST_F(SimulatorTest, UnreachableCutsASlowAnswerShort) {
    ASSERT_EQ(post("/slow?ms=60000"), 200);
    auto c = client();
    auto pending = std::async(std::launch::async, [&] { return c->Get(bench(1).c_str()); });
    ASSERT_EQ(pending.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
    const Clock::time_point start = Clock::now();
    ASSERT_EQ(post("/unreachable"), 200);
    EXPECT_LT(elapsed_ms(start), 10000);
    ASSERT_EQ(pending.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_FALSE(pending.get());
}

TEST_F(SimulatorTest, LogClears) {
    ASSERT_TRUE(client()->Get(bench(1).c_str()));
    ASSERT_EQ(log().size(), 1u);
    ASSERT_EQ(control().Delete("/log")->status, 200);
    EXPECT_TRUE(log().empty());
    EXPECT_EQ(control().Get("/health")->body, "OK");
}

namespace {

// Runs brisko-sim with `args`, its output going to `output_file`.
pid_t spawn_sim(const std::vector<std::string>& args, const std::string& output_file) {
    std::vector<char*> argv;
    std::string exe = BRISKO_SIM_EXE;
    argv.push_back(exe.data());
    std::vector<std::string> copy = args;
    for (std::string& a : copy) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = -1;
    posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Waits up to `seconds` for the child; returns its wait status, or -1.
int wait_child(pid_t pid, int seconds) {
    for (int i = 0; i < seconds * 100; ++i) {
        int status;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            return status;
        }
        usleep(10000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
}

} // namespace

TEST(SimulatorProgram, WritesThePortsFileServesAndStopsOnSigterm) {
    simtest::TempDir tmp;
    const std::string ports = tmp.path() + "/ports";
    const std::string seed = tmp.path() + "/seed";
    simtest::write_file(seed, "account +48601000009 secret \"Seed Account\" 1 2 0\n");
    const std::string installer("MZ\0\x90 setup", 10);
    simtest::write_file(tmp.path() + "/setup.exe", installer);
    const pid_t pid =
        spawn_sim({"--state", std::string(BRISKO_SIM_TEST_DIR) + "/state", "--ports-file", ports,
                   "--demo", "--seed", seed, "--installer", tmp.path() + "/setup.exe"},
                  tmp.path() + "/out");
    ASSERT_GT(pid, 0);
    std::string text;
    for (int i = 0; i < 1000 && text.empty(); ++i) {
        usleep(10000);
        text = simtest::read_file(ports);
    }
    // Exactly three shell assignments.
    std::map<std::string, int> values;
    for (const std::string& line : simtest::lines(text)) {
        const size_t eq = line.find('=');
        ASSERT_NE(eq, std::string::npos) << line;
        ASSERT_EQ(line.find_first_not_of("0123456789", eq + 1), std::string::npos) << line;
        values[line.substr(0, eq)] = std::atoi(line.c_str() + eq + 1);
    }
    ASSERT_EQ(values.size(), 3u) << text;
    EXPECT_GT(values["BRISKO_SIM_HTTPS_PORT"], 0);
    EXPECT_GT(values["BRISKO_SIM_CONTROL_PORT"], 0);
    EXPECT_GT(values["BRISKO_SIM_PUSH_PORT"], 0);

    httplib::SSLClient c("localhost", values["BRISKO_SIM_HTTPS_PORT"]);
    c.set_ca_cert_path((std::string(BRISKO_SIM_TEST_DIR) + "/state/ca.pem").c_str());
    c.enable_server_certificate_verification(true);
    const httplib::Result r = c.Get(bench(42).c_str());
    ASSERT_TRUE(r) << httplib::to_string(r.error());
    EXPECT_EQ(r->body, "OK\r\n42");
    httplib::Client control("127.0.0.1", values["BRISKO_SIM_CONTROL_PORT"]);
    EXPECT_EQ(control.Get("/health")->body, "OK");
    EXPECT_EQ(c.Get("/briskopc/setup.exe")->body, installer);

    ASSERT_EQ(kill(pid, SIGTERM), 0);
    const int status = wait_child(pid, 20);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    const std::string out = simtest::read_file(tmp.path() + "/out");
    EXPECT_NE(out.find("\ndemo account: +48600100200 / haslo123\n"), std::string::npos) << out;
    EXPECT_NE(out.find("account +48601000009"), std::string::npos) << out;
}

TEST(SimulatorProgram, RefusesABadSeedWithFileAndLine) {
    simtest::TempDir tmp;
    const std::string seed = tmp.path() + "/world.seed";
    simtest::write_file(seed, "# ok\naccount +48601000009 secret\n");
    const pid_t pid = spawn_sim({"--state", std::string(BRISKO_SIM_TEST_DIR) + "/state",
                                 "--ports-file", tmp.path() + "/ports", "--seed", seed},
                                tmp.path() + "/out");
    const int status = wait_child(pid, 20);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 2);
    EXPECT_NE(simtest::read_file(tmp.path() + "/out").find(seed + ":2: account needs 6 fields"),
              std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(tmp.path() + "/ports"));
}

TEST(SimulatorProgram, RefusesAnInstallerItCannotRead) {
    simtest::TempDir tmp;
    const std::string missing = tmp.path() + "/no-setup.exe";
    const pid_t pid = spawn_sim({"--state", std::string(BRISKO_SIM_TEST_DIR) + "/state",
                                 "--ports-file", tmp.path() + "/ports", "--installer", missing},
                                tmp.path() + "/out");
    const int status = wait_child(pid, 20);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 2);
    EXPECT_NE(simtest::read_file(tmp.path() + "/out").find("cannot read the installer " + missing),
              std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(tmp.path() + "/ports"));
}
