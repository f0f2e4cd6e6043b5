// What the run checks: the client's connection lines, its process, the SMS
// the service received and the files the client left.
#include "FaultRun.h"
#include "RemoteTree.h"

#include "ContactsFile.h"
#include "OutboxFile.h"
#include "WinApp.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

// A frame's data may still be on its way when the connection ends this way:
// the client's own close, or a reset, which drops what the peer has not read.
constexpr long long kInFlightMs = 2000;
// A message announced while the client had its web session is asked for at
// once; only the service failing meanwhile, or a slow answer ahead of it in
// the queue (counted in the span of slowness), keeps it from the service.
constexpr DWORD kFetchMs = 3000;
constexpr DWORD kFetchWaitMs = 20000;
constexpr int kImageSmsReport = 9;
// The client's web session is seen as often as the run ticks.
constexpr DWORD kSampleMs = 300;

struct PushEvent {
    long long nAtMs;
    std::string strConnection;
    int nType;
    unsigned nParam;
};

// The events written on the account's open sessions that the client must have
// read: all but those written just before their connection was closed by the
// client or reset.
std::vector<PushEvent> DueEvents(const std::vector<std::string>& log, const std::string& login,
                                 int* pnInFlight) {
    std::map<std::string, std::vector<PushEvent>> open;
    std::vector<PushEvent> due;
    *pnInFlight = 0;
    for (const std::string& line : log) {
        std::istringstream fields(line);
        long long ms;
        std::string connection, what;
        if (!(fields >> ms >> connection >> what))
            continue;
        if (what == "event") {
            std::string to;
            PushEvent e{ms, connection, 0, 0};
            if (fields >> to >> e.nType >> e.nParam && to == login)
                open[connection].push_back(e);
        } else if (what == "close") {
            std::string by, how;
            fields >> by >> how;
            const bool dropsData = by == "client" || (how != "close" && how != "half");
            for (const PushEvent& e : open[connection]) {
                if (dropsData && ms - e.nAtMs < kInFlightMs)
                    ++*pnInFlight;
                else
                    due.push_back(e);
            }
            open.erase(connection);
        }
    }
    for (const auto& [connection, events] : open)
        due.insert(due.end(), events.begin(), events.end());
    return due;
}

// The message ids the client asked for: "... RECEIVEMSG&MsgId=<id>..." lines.
std::set<unsigned> FetchedMessages(const std::vector<std::string>& log) {
    std::set<unsigned> ids;
    const std::string key = "RECEIVEMSG&MsgId=";
    for (const std::string& line : log)
        for (size_t at = line.find(key); at != std::string::npos; at = line.find(key, at + 1))
            ids.insert(
                static_cast<unsigned>(std::strtoul(line.c_str() + at + key.size(), nullptr, 10)));
    return ids;
}

bool ReadFile(const std::string& path, std::string& bytes) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return true;
}

} // namespace

bool FaultRun::LoggedIn() {
    if (!m_client.Running())
        return false;
    RemoteTree tree(m_client.Process(), m_client.Child(1000));
    bool session = false, db = false;
    m_strConnection.clear();
    m_bPushOpen = false;
    for (const RemoteTreeItem& item : tree.ChildrenOf("Połączenie")) {
        m_strConnection += (m_strConnection.empty() ? "" : "; ") + item.strText;
        session = session || item.strText.rfind("BPC: 2", 0) == 0;
        db = db || item.strText.rfind("DB: 1", 0) == 0;
        m_bPushOpen = m_bPushOpen || item.strText == "Socks: 2, otwarta sesja";
    }
    m_bWebSession = session;
    return session && db;
}

// How often each tag reached the service, to its own recipient.
std::map<std::string, int> FaultRun::ArrivedByTag() {
    std::map<std::string, int> arrived;
    const std::vector<std::string> lines = m_sim.Sms();
    for (const WrittenSms& sms : m_sms)
        for (const std::string& line : lines) {
            // <id> <sender> <recipient> class0= unicode= <text>
            std::istringstream fields(line);
            std::string id, sender, recipient;
            fields >> id >> sender >> recipient;
            arrived[sms.strTag] +=
                recipient == "+48" + sms.strNumber && line.find(sms.strTag) != std::string::npos;
        }
    return arrived;
}

bool FaultRun::EverySmsArrived() {
    std::map<std::string, int> arrived = ArrivedByTag();
    for (const WrittenSms& sms : m_sms)
        if (!sms.bDeleted && arrived[sms.strTag] == 0)
            return false;
    return true;
}

std::map<unsigned, RemoteTreeItem> FaultRun::SentSmsItems() {
    std::map<unsigned, RemoteTreeItem> shown;
    if (!m_client.Running())
        return shown;
    const std::vector<std::string> accepted = m_sim.Sms();
    RemoteTree tree(m_client.Process(), m_client.Child(1000));
    // Roots, contacts (and the one for SMS outside them), their SMS.
    const std::vector<RemoteTreeItem> items = tree.All(2);
    for (const WrittenSms& sms : m_sms) {
        std::vector<unsigned> ids;
        for (const std::string& line : accepted) {
            std::istringstream fields(line);
            std::string id, sender, recipient;
            fields >> id >> sender >> recipient;
            if (recipient == "+48" + sms.strNumber && line.find(sms.strTag) != std::string::npos)
                ids.push_back(static_cast<unsigned>(std::atoi(id.c_str())));
        }
        // Sent twice, the SMS has the id of one of them: which one, the run cannot tell.
        if (ids.size() != 1)
            continue;
        const std::string label = "+48" + sms.strNumber + ": ";
        for (const RemoteTreeItem& item : items)
            if (item.lParam >= 1000 && item.strText.rfind(label, 0) == 0 &&
                item.strText.find(sms.strTag) != std::string::npos)
                shown[ids[0]] = item;
    }
    return shown;
}

bool FaultRun::ReportShown(unsigned nSmsId, DWORD dwWaitMs) {
    return WaitFor(
        [&] {
            auto shown = SentSmsItems();
            auto it = shown.find(nSmsId);
            return it != shown.end() && it->second.nImage == kImageSmsReport;
        },
        dwWaitMs);
}

// Every delivery report and message announcement written on an open session
// reached the client: it asked for each message, and each SMS it shows as sent
// and holds the id of shows its report.
void FaultRun::CheckPushEvents() {
    int inFlight = 0;
    const std::vector<PushEvent> due = DueEvents(m_sim.PushLog(), kLogin, &inFlight);
    std::map<unsigned, const PushEvent*> reports, messages;
    int hindered = 0;
    for (const PushEvent& e : due) {
        if (e.nType == 1001) {
            reports.emplace(e.nParam, &e);
            continue;
        }
        if (e.nType != 1 && e.nType != 100)
            continue;
        const DWORD at = static_cast<DWORD>(std::max(0LL, e.nAtMs - m_nSimOffset));
        if (!m_bSimOffset || FetchingHindered(at > kSampleMs ? at - kSampleMs : 0, at + kFetchMs))
            ++hindered;
        else
            messages.emplace(e.nParam, &e);
    }
    // The last ones may still wait for their turn behind other requests.
    std::set<unsigned> fetched;
    WaitFor(
        [&] {
            fetched = FetchedMessages(m_sim.Log());
            return std::all_of(messages.begin(), messages.end(),
                               [&](const auto& m) { return fetched.count(m.first) > 0; });
        },
        kFetchWaitMs);
    for (const auto& [id, e] : messages)
        if (!fetched.count(id))
            Fail("message " + std::to_string(id) + " announced at " + std::to_string(e->nAtMs) +
                 " ms on connection " + e->strConnection + " was never fetched (no RECEIVEMSG)");
    const std::map<unsigned, RemoteTreeItem> shown = SentSmsItems();
    int marked = 0, unknown = 0;
    for (const auto& [id, e] : reports) {
        auto it = shown.find(id);
        if (it == shown.end())
            continue;
        if (it->second.nImage == kImageSmsReport) {
            ++marked;
            continue;
        }
        // Taken as sent without the service's answer, the SMS has no id to
        // match: a report now tells that case from a report lost.
        m_sim.PushEvent(kLogin, 1001, id);
        if (ReportShown(id, 3000))
            Fail("the report of SMS " + std::to_string(id) + " (" + it->second.strText +
                 ") written at " + std::to_string(e->nAtMs) + " ms on connection " +
                 e->strConnection + " did not mark it; a later one did");
        else
            ++unknown;
    }
    std::string spans;
    for (const auto& [from, to] : m_hindered) {
        char span[48];
        std::snprintf(span, sizeof span, to == ~DWORD(0) ? " %.1f-end" : " %.1f-%.1f",
                      from / 1000.0, to / 1000.0);
        spans += span;
    }
    Note("fetching hindered (s):" + spans);
    Note("push events: " + std::to_string(messages.size()) + " messages checked fetched, " +
         std::to_string(hindered) + " announced while fetching was hindered, " +
         std::to_string(inFlight) + " written just before their connection ended; " +
         std::to_string(reports.size()) + " SMS reported, " + std::to_string(marked) +
         " shown marked, " + std::to_string(unknown) + " shown without an id to mark");
}

void FaultRun::CheckProcess() {
    if (m_bClientDown || m_client.Running())
        return;
    Fail("the client ended by itself, exit code " + std::to_string(m_client.ExitCode()));
    Restart();
}

void FaultRun::CheckSms() {
    std::map<std::string, int> arrived = ArrivedByTag();
    for (const WrittenSms& sms : m_sms) {
        const int n = arrived[sms.strTag];
        const std::string which = sms.strTag + " to +48" + sms.strNumber;
        if (n == 0 && !sms.bDeleted)
            Fail("SMS " + which + " never reached the service");
        if (n > 1 && !m_resendConfirmed.count(sms.strNumber))
            Fail("SMS " + which + " reached the service " + std::to_string(n) +
                 " times, no resend confirmed");
    }
    Note(std::to_string(m_sms.size()) + " SMS written, " + std::to_string(m_sim.Sms().size()) +
         " accepted by the service");
}

void FaultRun::CheckFiles() {
    const std::string folder = CWinApp::DataFolder("BriskoPC") + "\\" + kLogin;
    std::string bytes;
    if (ReadFile(folder + ".obx", bytes)) {
        OutboxFileContent outbox = DecodeOutboxFile(bytes);
        if (outbox.bBroken)
            Fail("the outbox file does not parse");
        // One the service has would go out again at the next start, unless it
        // is marked for a check first.
        std::map<std::string, int> arrived = ArrivedByTag();
        for (const OutboxEntry& e : outbox.entries) {
            Note("left in the outbox file: " + e.strNumber + " " + e.strText.substr(0, 16) +
                 (e.bUncertain ? " (uncertain)" : ""));
            for (const WrittenSms& sms : m_sms)
                if (!e.bUncertain && e.strNumber == "+48" + sms.strNumber && arrived[sms.strTag])
                    Fail("SMS " + sms.strTag + " reached the service but waits in the outbox file");
        }
    }
    if (ReadFile(folder + ".cts", bytes) && DecodeContactsFile(bytes).bBroken)
        Fail("the contacts file does not parse");
}
