// The service's side: what the simulator is made to do, and its healing.
#include "FaultRun.h"

#include <algorithm>
#include <cctype>
#include <sstream>

namespace {

// A slow answer begun just before the end still takes this long, and the
// requests queued behind it wait for their turn meanwhile.
constexpr DWORD kSlowTailMs = 45000;
// In a query a "+" would read as a space.
constexpr const char* kMessageSender = "%2B48600100201";

void Append32(std::string& bytes, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        bytes += static_cast<char>(v >> (8 * i) & 0xff);
}

std::string EventFrame(int32_t type, uint32_t param) {
    std::string frame{char(0x0a), char(0x03)};
    Append32(frame, static_cast<uint32_t>(type));
    Append32(frame, param);
    return frame;
}

// What a one-shot answer looks like in the run's notes: its size and start.
std::string Describe(const std::string& body) {
    std::string start;
    for (char c : body.substr(0, 40))
        start += std::isprint(static_cast<unsigned char>(c)) ? c : '.';
    return std::to_string(body.size()) + " bytes \"" + start + "\"";
}

} // namespace

std::vector<UserContact> UserContacts(const std::vector<std::string>& lines) {
    std::vector<UserContact> users;
    for (const std::string& line : lines) {
        std::istringstream fields(line);
        UserContact u;
        std::string id;
        if (std::getline(fields, u.strName, ';') && std::getline(fields, u.strNumber, ';') &&
            std::getline(fields, id, ';') && std::atoi(id.c_str()) > 0) {
            u.nUserId = static_cast<unsigned>(std::atoi(id.c_str()));
            users.push_back(u);
        }
    }
    return users;
}

void FaultRun::Inject(const PlannedStep& s) {
    if (InjectPush(s))
        return;
    switch (s.step) {
    case Step::Unreachable:
        m_sim.Unreachable();
        m_bUnreachable = true;
        break;
    case Step::Reachable:
        m_sim.Reachable();
        m_bUnreachable = false;
        break;
    case Step::SlowDown:
        // Past the client's 15 s time-outs and the worker's 30 s wait for its turn.
        m_sim.Slow(static_cast<int>(Random(35000, 45000)));
        m_bSlow = true;
        break;
    case Step::SlowOff:
        m_sim.Slow(0);
        m_bSlow = false;
        m_dwSlowUntil = Elapsed() + kSlowTailMs;
        break;
    case Step::Expire:
        m_sim.Expire();
        break;
    case Step::NoSession:
        m_sim.NoSession(kLogin);
        break;
    case Step::BadAnswer:
        m_sim.AnswerOnce(s.strFunction, s.strBody);
        // A refusal stops the sending until the user sends the outbox again;
        // an empty answer or "NOP" is retried by the client itself.
        if (s.strFunction == "SENDLONGSMS" && !s.strBody.empty() && s.strBody != "NOP")
            m_bSmsRefused = true;
        Note(std::string(StepName(s.step)) + " for " + s.strFunction + ": " + Describe(s.strBody));
        return;
    case Step::LoseAnswer:
        m_sim.LoseAnswer(s.strFunction);
        Note(std::string(StepName(s.step)) + " for " + s.strFunction);
        return;
    default:
        break;
    }
    Note(StepName(s.step));
}

bool FaultRun::InjectPush(const PlannedStep& s) {
    std::string what = StepName(s.step);
    switch (s.step) {
    case Step::PushDrop:
        if (s.strFunction.rfind("all-", 0) == 0)
            m_sim.PushDropAll(s.strFunction.substr(4));
        else
            m_sim.PushDrop(kLogin, s.strFunction);
        what += ": " + s.strFunction;
        break;
    case Step::PushStall:
    case Step::PushUnstall:
        m_sim.PushStall(kLogin, s.step == Step::PushStall);
        break;
    case Step::SessionRefused:
    case Step::SessionAccepted:
        m_strSessionMode = s.step == Step::SessionRefused ? s.strFunction : "accept";
        m_sim.PushMode(m_strSessionMode, m_strAliveMode);
        what += ": " + m_strSessionMode;
        break;
    case Step::AliveDead:
    case Step::AliveAnswered:
        m_strAliveMode = s.step == Step::AliveDead ? "dead" : "answer";
        m_sim.PushMode(m_strSessionMode, m_strAliveMode);
        break;
    case Step::PushFrames:
        PushFrames();
        return true;
    case Step::PushBurst:
        PushBurst();
        return true;
    case Step::PushMessage:
        AnnounceMessage();
        return true;
    case Step::PushReport:
        ReportSentSms();
        return true;
    default:
        return false;
    }
    Note(what);
    return true;
}

// Valid frames (presences and alive frames, which the check does not count)
// with bytes between them that cannot begin a frame, written in pieces that
// cut frames apart and join them: the events after them show whether the
// client found its frames again.
void FaultRun::PushFrames() {
    std::vector<unsigned> users;
    for (const UserContact& u : UserContacts(m_sim.Contacts(kLogin)))
        users.push_back(u.nUserId);
    std::string bytes;
    for (uint32_t n = Random(2, 6); n > 0; --n) {
        if (Random(0, 3) == 0 || users.empty())
            bytes += std::string{char(0x03), char(0x02), char(0x01)};
        else
            bytes += EventFrame(static_cast<int32_t>(Random(101, 104)),
                                users[Random(0, static_cast<uint32_t>(users.size() - 1))]);
        for (uint32_t g = Random(0, 1) ? Random(1, 12) : 0; g > 0; --g) {
            unsigned char b;
            do
                b = static_cast<unsigned char>(Random(0, 255));
            while (b == 0x03 || b == 0x0a);
            bytes += static_cast<char>(b);
        }
    }
    std::vector<int> split;
    std::string sizes;
    for (size_t left = bytes.size(); left > 1 && Random(0, 4) != 0;) {
        const int n =
            static_cast<int>(Random(1, static_cast<uint32_t>(std::min<size_t>(left - 1, 15))));
        split.push_back(n);
        sizes += (sizes.empty() ? "" : ",") + std::to_string(n);
        left -= static_cast<size_t>(n);
    }
    const int sessions = m_sim.PushRaw(kLogin, bytes, split, static_cast<int>(Random(0, 40)));
    Note(std::string(StepName(Step::PushFrames)) + ": " + std::to_string(bytes.size()) +
         " bytes in pieces " + (sizes.empty() ? "(one)" : sizes) + " to " +
         std::to_string(sessions) + " session(s)");
}

// The reports among the burst's events are of SMS the client shows as sent:
// only the latest ones that it shows can be asked for.
void FaultRun::PushBurst() {
    std::vector<std::string> accepted = m_sim.Sms();
    std::map<unsigned, RemoteTreeItem> shown = SentSmsItems();
    int reports = 0;
    for (auto it = accepted.rbegin();
         it != accepted.rend() && shown.count(static_cast<unsigned>(std::atoi(it->c_str()))); ++it)
        ++reports;
    const int count = static_cast<int>(Random(10, 60));
    int reported = 0, messages = 0;
    const bool ok =
        m_sim.Burst(kLogin, count, Random(0, 0xffffffffu), reports, &reported, &messages);
    Note(std::string(StepName(Step::PushBurst)) + ": " + std::to_string(count) + " events, " +
         (ok ? std::to_string(reported) + " SMS reported, " + std::to_string(messages) + " messages"
             : std::string("refused")));
}

void FaultRun::AnnounceMessage() {
    const int kind = Random(0, 4) ? 1 : 100;
    const int n = ++m_nMessageCount;
    const std::vector<UserContact> users = UserContacts(m_sim.Contacts(kLogin));
    std::string sender = kMessageSender, from = kind == 100 ? "the service" : "+48600100201";
    if (kind == 1 && !users.empty()) {
        const UserContact& u = users[Random(0, static_cast<uint32_t>(users.size() - 1))];
        sender = "%2B" + u.strNumber.substr(1);
        from = u.strName;
    }
    // The tag first: a system message is known in the tree by its first 30 characters.
    const std::string tag = "FZ" + std::to_string(m_nSeed) + "M" + std::to_string(n) + ":";
    const unsigned id =
        m_sim.PushMessage(kLogin, sender, kind,
                          tag + (kind == 100 ? " komunikat systemowy, zażółć gęślą jaźń"
                                             : " cześć, zażółć gęślą jaźń"));
    Note(std::string(StepName(Step::PushMessage)) + ": kind " + std::to_string(kind) + ", id " +
         std::to_string(id) + ", " + tag + " from " + from);
    if (!id || m_bSimOffset)
        return;
    // The announcement's line in the push log ties its clock to the run's.
    const DWORD now = Elapsed();
    const std::string tail = " " + std::to_string(kind) + " " + std::to_string(id);
    for (const std::string& line : m_sim.PushLog())
        if (line.size() > tail.size() &&
            line.compare(line.size() - tail.size(), tail.size(), tail) == 0 &&
            (line.find(" event ") != std::string::npos ||
             line.find(" not-sent ") != std::string::npos)) {
            m_nSimOffset = std::atoll(line.c_str()) - static_cast<long long>(now);
            m_bSimOffset = true;
        }
}

// Reports of the SMS the client shows as sent and not yet reported.
void FaultRun::ReportSentSms() {
    std::string ids;
    int sessions = 0;
    for (const auto& [id, item] : SentSmsItems())
        if (item.nImage != 9) {
            sessions = std::max(sessions, m_sim.PushEvent(kLogin, 1001, id));
            ids += " " + std::to_string(id);
        }
    Note(std::string(StepName(Step::PushReport)) + ":" + (ids.empty() ? " none due" : ids) +
         " to " + std::to_string(sessions) + " session(s)");
}

void FaultRun::TrackFetching() {
    const DWORD now = Elapsed();
    m_bWebSession = false;
    if (!m_bClientDown)
        LoggedIn();
    const bool hindered =
        !m_bWebSession || m_bUnreachable || m_bSlow || now < m_dwSlowUntil || m_bLoggedOff;
    if (hindered && !m_bHindered)
        m_hindered.push_back({now, ~DWORD(0)});
    if (!hindered && m_bHindered)
        m_hindered.back().second = now;
    m_bHindered = hindered;
}

bool FaultRun::FetchingHindered(DWORD dwFrom, DWORD dwTo) const {
    for (const auto& [from, to] : m_hindered)
        if (from < dwTo && dwFrom < to)
            return true;
    return false;
}

void FaultRun::Heal() {
    m_sim.Reachable();
    m_sim.Slow(0);
    for (const std::string& function : FaultedFunctions())
        m_sim.Reset(function);
    m_bUnreachable = false;
    if (m_bSlow)
        m_dwSlowUntil = Elapsed() + kSlowTailMs;
    m_bSlow = false;
    m_strSessionMode = "accept";
    m_strAliveMode = "answer";
    m_sim.PushMode(m_strSessionMode, m_strAliveMode);
    m_sim.PushStall(kLogin, false);
}
