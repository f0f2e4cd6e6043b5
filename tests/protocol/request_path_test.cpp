// The request worker under Wine, through the real WinInet session over TLS to
// the simulator: its results, whole and cut bodies, the stop event, the turn's
// time-out, and a service whose certificate is not trusted.
#include "HttpSession.h"
#include "Messages.h"
#include "SimControl.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

// A window that collects what the workers post.
class Owner {
public:
    Owner() {
        m_hWnd = ::CreateWindowA("STATIC", "owner", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                                 nullptr);
        channel = std::make_shared<CRequestChannel>(m_hWnd);
    }
    ~Owner() {
        channel->Close();
        ::DestroyWindow(m_hWnd);
    }

    HttpRequest* Request(const std::string& function, const std::string& query = "") {
        auto* request = new HttpRequest;
        request->pChannel = channel;
        request->szFunction = function;
        request->szUrl = "briskopc.asp?function=" + function + query;
        return request;
    }

    // Pumps until n requests came back or the time is up.
    std::vector<std::unique_ptr<HttpRequest>> WaitDone(size_t n, DWORD ms = 20000) {
        std::vector<std::unique_ptr<HttpRequest>> done;
        DWORD start = ::GetTickCount();
        MSG msg;
        while (done.size() < n && ::GetTickCount() - start < ms) {
            while (::PeekMessageA(&msg, m_hWnd, 0, 0, PM_REMOVE)) {
                if (msg.message == WM_REQUEST_STARTED)
                    ++started;
                if (msg.message == WM_REQUEST_DONE) {
                    auto* request = reinterpret_cast<HttpRequest*>(msg.lParam);
                    EXPECT_EQ(static_cast<int>(msg.wParam), request->nResult);
                    done.emplace_back(request);
                }
            }
            ::Sleep(5);
        }
        return done;
    }

    std::unique_ptr<HttpRequest> Perform(HttpRequest* request) {
        StartRequest(request);
        auto done = WaitDone(1);
        return done.empty() ? nullptr : std::move(done[0]);
    }

    HWND m_hWnd;
    std::shared_ptr<CRequestChannel> channel;
    int started = 0;
};

class RequestPath : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        g_session.Open("localhost", static_cast<INTERNET_PORT>(SimControl::HttpsPort()), TRUE);
    }
    void SetUp() override {
        ASSERT_NE(SimControl::HttpsPort(), 0) << "no simulator: run through ./brisko test";
        sim.ClearLog();
    }
    void TearDown() override {
        sim.Reachable();
        sim.Slow(0);
        sim.Reset("ECHO");
    }

    SimControl sim;
    Owner owner;
};

std::string Response(const HttpRequest& request) {
    return request.pszResponse ? request.pszResponse.get() : "(null)";
}

TEST_F(RequestPath, BodiesArriveWholeAndEndAtANulByte) {
    std::string exact(4096, 'x'), large;
    for (int i = 0; large.size() < 20000; ++i)
        large += "Kontakt " + std::to_string(i) + ";+48600" + std::to_string(100000 + i) + ";\r\n";
    large.resize(20000);
    const std::string nul("LOGINOK\r\nabc\0hidden", 19);

    for (const std::string& body : {exact, large, std::string("OK"), nul}) {
        ASSERT_TRUE(sim.AnswerOnce("ECHO", body));
        auto request = owner.Perform(owner.Request("ECHO"));
        ASSERT_NE(request, nullptr);
        EXPECT_EQ(request->nResult, REQUEST_DONE);
        EXPECT_EQ(Response(*request), std::string(body.c_str())) << body.size() << " bytes";
    }
    EXPECT_EQ(owner.started, 4);
    EXPECT_EQ(sim.LoggedFunctions(), (std::vector<std::string>(4, "ECHO")));
}

TEST_F(RequestPath, AnAnswerOverTheBoundCountsAsAFailedRequest) {
    ASSERT_TRUE(sim.AnswerOnce("ECHO", std::string(kMaxResponse, 'a')));
    ASSERT_TRUE(sim.AnswerOnce("ECHO", std::string(kMaxResponse + 1, 'b')));
    auto bound = owner.Perform(owner.Request("ECHO"));
    auto over = owner.Perform(owner.Request("ECHO"));
    ASSERT_NE(bound, nullptr);
    ASSERT_NE(over, nullptr);
    EXPECT_EQ(std::strlen(bound->pszResponse.get()), kMaxResponse);
    EXPECT_EQ(over->nResult, REQUEST_DONE);
    EXPECT_STREQ(over->pszResponse.get(), "") << "never a cut answer";
}

TEST_F(RequestPath, AnUnreachableServiceGivesAnEmptyResponseNeverANullOne) {
    ASSERT_TRUE(sim.Unreachable());
    auto request = owner.Perform(owner.Request("ECHO"));
    ASSERT_NE(request, nullptr);
    EXPECT_EQ(request->nResult, REQUEST_DONE);
    ASSERT_NE(request->pszResponse, nullptr);
    EXPECT_STREQ(request->pszResponse.get(), "");
}

TEST_F(RequestPath, TheLongestUrlsTravelWhole) {
    // 900 escaped Polish letters: far beyond the old 1024-byte canonical form.
    std::string value;
    for (int i = 0; i < 300; ++i)
        value += "%B9%EA%9C";
    auto request = owner.Perform(owner.Request("ECHO", "&text=" + value));
    ASSERT_NE(request, nullptr);
    std::vector<std::string> log = sim.Log();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_NE(log[0].find("function=ECHO&text=" + value), std::string::npos) << log[0];
}

// Bytes the escaping leaves as they are (signs and letters of other languages
// that cp1250 has) reach the service as the same bytes whatever code page the
// system uses: as they are on a Polish system, as it has always sent them,
// escaped on any other.
TEST_F(RequestPath, BytesTheEscapingLeavesReachTheServiceAsTheyAre) {
    const std::string value = "a\xfc\x80\x97\xab\xbb\xe4"
                              "b";
    auto request = owner.Perform(owner.Request("ECHO", "&text=" + value));
    ASSERT_NE(request, nullptr);
    std::vector<std::string> log = sim.Log();
    ASSERT_EQ(log.size(), 1u);
    const std::string sent = ::GetACP() == 1250 ? value : "a%FC%80%97%AB%BB%E4b";
    EXPECT_NE(log[0].find("function=ECHO&text=" + sent), std::string::npos) << log[0];
}

TEST_F(RequestPath, TheStopEventReleasesEveryWaitingWorkerAndNoneSendsAfterwards) {
    // A request in progress holds the turn; three wait behind it.
    ASSERT_EQ(::WaitForSingleObject(owner.channel->Semaphore(), 0), WAIT_OBJECT_0);
    for (int i = 0; i < 3; ++i)
        StartRequest(owner.Request("ECHO"));
    ::Sleep(300);
    ::SetEvent(owner.channel->StopEvent());
    auto done = owner.WaitDone(3, 5000);
    ASSERT_EQ(done.size(), 3u);
    for (const auto& request : done) {
        EXPECT_EQ(request->nResult, REQUEST_STOPPED);
        EXPECT_EQ(request->pszResponse, nullptr);
    }
    ::ReleaseSemaphore(owner.channel->Semaphore(), 1, nullptr);
    ::Sleep(300);
    EXPECT_TRUE(sim.Log().empty());
}

TEST_F(RequestPath, TheSameRecordStartedAgainBeginsWithoutItsOldResponse) {
    ASSERT_TRUE(sim.AnswerOnce("ECHO", "first"));
    auto request = owner.Perform(owner.Request("ECHO"));
    ASSERT_NE(request, nullptr);
    ASSERT_EQ(Response(*request), "first");

    // Started again and stopped before its turn: nothing of the first answer is left.
    ASSERT_EQ(::WaitForSingleObject(owner.channel->Semaphore(), 0), WAIT_OBJECT_0);
    StartRequest(request.release());
    ::Sleep(200);
    ::SetEvent(owner.channel->StopEvent());
    auto again = owner.WaitDone(1, 5000);
    ::ReleaseSemaphore(owner.channel->Semaphore(), 1, nullptr);
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again[0]->nResult, REQUEST_STOPPED);
    EXPECT_EQ(again[0]->pszResponse, nullptr);
}

TEST_F(RequestPath, AWorkerThatGetsNoTurnWithinThirtySecondsSendsNothing) {
    ASSERT_EQ(::WaitForSingleObject(owner.channel->Semaphore(), 0), WAIT_OBJECT_0);
    StartRequest(owner.Request("ECHO"));
    auto done = owner.WaitDone(1, 40000);
    ::ReleaseSemaphore(owner.channel->Semaphore(), 1, nullptr);
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0]->nResult, REQUEST_TIMED_OUT);
    EXPECT_EQ(done[0]->pszResponse, nullptr);
    EXPECT_TRUE(sim.Log().empty());
}

TEST_F(RequestPath, AServiceWhoseAuthorityIsNotTrustedIsRefused) {
    ASSERT_NE(SimControl::UntrustedHttpsPort(), 0);
    SimControl untrusted(true);
    untrusted.ClearLog();
    ASSERT_TRUE(untrusted.Answer("ECHO", "secret"));

    g_session.Open("localhost", static_cast<INTERNET_PORT>(SimControl::UntrustedHttpsPort()), TRUE);
    auto request = owner.Perform(owner.Request("ECHO", "&usr_pass=haslo"));
    g_session.Open("localhost", static_cast<INTERNET_PORT>(SimControl::HttpsPort()), TRUE);

    ASSERT_NE(request, nullptr);
    EXPECT_EQ(request->nResult, REQUEST_DONE);
    EXPECT_STREQ(request->pszResponse.get(), "") << "no body from a service we cannot trust";
    EXPECT_TRUE(untrusted.Log().empty()) << "the request must not reach it";
}

} // namespace
