#include "FaultRun.h"

#include <cstdio>

namespace {
// After the last fault the client has this long to be logged in again.
constexpr DWORD kLoginMs = 60000;
// Once logged in again, the healthy service carries a message each way after
// this long (the contacts come a moment after the login).
constexpr DWORD kChatAfterLoginMs = 3000;
// ... and, once logged in, time to send what waits: a send cut by the last
// fault's time-out, the timer's next retry (18 s) and the check of an uncertain SMS.
constexpr DWORD kOutboxRetryMs = 35000;
constexpr DWORD kTickMs = 100;
} // namespace

FaultRun::FaultRun(uint32_t seed, uint32_t faultMs)
    : m_nSeed(seed), m_nFaultMs(faultMs), m_rng(seed ^ 0x5eedf00du) {}

uint32_t FaultRun::Random(uint32_t lo, uint32_t hi) {
    return std::uniform_int_distribution<uint32_t>(lo, hi)(m_rng);
}

void FaultRun::Note(const std::string& what) {
    std::printf("[%6.1f s] %s\n", Elapsed() / 1000.0, what.c_str());
    std::fflush(stdout);
}

void FaultRun::Fail(const std::string& what) {
    Note("FAIL: " + what);
    m_failures.push_back(what);
}

bool FaultRun::Run() {
    m_dwStart = ::GetTickCount();
    m_sim.Reachable();
    m_sim.Slow(0);
    // Enough credits for every SMS of the run: a refusal comes only when the run asks for one.
    m_sim.SetCredits(kLogin, 1000000);
    // Reports come only for SMS the client shows as sent, so that it knows
    // their ids when they arrive.
    m_sim.ReportDelay(-1);
    WriteClientProfile(SimControl::HttpsPort(), kLogin, kPassword);
    if (!m_client.Start()) {
        Fail("the client did not start");
        return false;
    }
    FaultPhase();
    Recover();
    Finish();
    return m_failures.empty();
}

void FaultRun::Tick(bool bHurry) {
    TrackFetching();
    CheckProcess();
    CheckLocked();
    AnswerBoxes(bHurry);
}

// Faults come when they are due, also while a box is open; the user acts only
// when no box stands in the way, as a user could.
void FaultRun::FaultPhase() {
    std::vector<PlannedStep> plan = MakeSchedule(m_nSeed, m_nFaultMs);
    std::vector<bool> done(plan.size());
    while (Elapsed() < m_nFaultMs) {
        Tick(false);
        for (size_t i = 0; i < plan.size() && plan[i].nAtMs <= Elapsed(); ++i) {
            if (done[i])
                continue;
            const bool fault = plan[i].step >= Step::Unreachable;
            if (!fault && !m_boxes.empty())
                continue;
            done[i] = true;
            if (fault)
                Inject(plan[i]);
            else
                Do(plan[i]);
        }
        ::Sleep(kTickMs);
    }
    for (size_t i = 0; i < plan.size(); ++i)
        if (!done[i])
            Note(std::string("not done in time: ") + StepName(plan[i].step));
}

void FaultRun::Recover() {
    Note("faults end: the service is healthy again");
    Heal();
    if (m_bClientDown)
        Restart();
    if (m_bLocked)
        Unlock();
    const DWORD healed = ::GetTickCount();
    DWORD loggedInAt = 0, lastLogin = 0, lastSend = 0;
    int sends = 0;
    bool chatted = false;
    for (;;) {
        const DWORD now = ::GetTickCount();
        if (now - healed > kLoginMs && !loggedInAt)
            break;
        if (loggedInAt && (chatted || now - loggedInAt > kOutboxRetryMs) &&
            (EverySmsArrived() || now - loggedInAt > kOutboxRetryMs))
            break;
        Tick(true);
        if (m_boxes.empty() && m_bLoggedOff && now - lastLogin > 15000 && !KnownDialog(1005)) {
            lastLogin = now;
            LogIn(false);
        }
        if (!loggedInAt && LoggedIn() && m_bPushOpen) {
            loggedInAt = ::GetTickCount();
            Note("logged in again " + std::to_string((loggedInAt - healed) / 1000) +
                 " s after the last fault");
        }
        // Whatever the faults left, these must come through whole.
        if (loggedInAt && !chatted && !m_bLoggedOff && m_boxes.empty() &&
            now - loggedInAt > kChatAfterLoginMs) {
            chatted = true;
            SendChat();
            AnnounceMessage();
        }
        // After a refusal the outbox waits for the user's command.
        if (loggedInAt && m_bSmsRefused && m_boxes.empty() && sends < 3 && now - lastSend > 8000) {
            lastSend = now;
            ++sends;
            SendCommand(32806);
        }
        ::Sleep(5 * kTickMs);
    }
    if (!loggedInAt)
        Fail("not logged in again, push session open, within 60 s after the last fault; "
             "connection lines: " +
             m_strConnection);
    else {
        CheckPushEvents();
        CheckChat();
    }
}

void FaultRun::Finish() {
    if (m_client.Running()) {
        m_client.Quit(0);
        AwaitEnd();
    }
    CheckSms();
    CheckFiles();
    CheckHistory();
}
