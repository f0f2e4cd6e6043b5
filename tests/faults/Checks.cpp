// What the run checks: the client's connection lines, its process, its chats, the SMS
// the service received and the files the client left.
#include "FaultRun.h"
#include "RemoteTree.h"

#include "ContactsFile.h"
#include "HistoryFile.h"
#include "OutboxFile.h"

#include <algorithm>
#include <cstdint>
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

bool ReadFile(const Path& path, std::string& bytes) {
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

// Once broken, told once: the run goes on as if unlocked.
void FaultRun::CheckLocked() {
    if (!m_bLocked || !m_client.Running())
        return;
    const size_t failures = m_failures.size();
    const std::string caption = WindowText(m_client.Main());
    if (caption != "Zablokowany")
        Fail("locked, the caption says \"" + caption + "\"");
    if (::IsWindowVisible(m_client.Child(1000)))
        Fail("locked, the contact tree shows");
    for (const char* entry : {"Password", "ProtectedPassword"})
        if (!ReadClientProfileValue(entry).empty())
            Fail(std::string("locked, the profile keeps \"") + entry + "\"");
    if (m_failures.size() > failures)
        m_bLocked = false;
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
    std::string bytes;
    if (ReadFile(ClientDataFile(kLogin + std::string(".obx")), bytes)) {
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
    if (ReadFile(ClientDataFile(kLogin + std::string(".cts")), bytes) &&
        DecodeContactsFile(bytes).bBroken)
        Fail("the contacts file does not parse");
}

namespace {

constexpr int kChatInput = 1031, kChatHistory = 1030;
const char kChatCaption[] = "BriskoPC - ";
// A login left behind or a new process closes the chats: what was announced
// this close to it may have gone with them, or may show.
constexpr DWORD kEpochMarginMs = 1500;
// Pending messages are fetched again at the timer's duties: a few of them.
constexpr DWORD kChatWaitMs = 30000;

// The simulator's lists write some bytes as \xHH.
std::string Unescape(const std::string& text) {
    std::string bytes;
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x') {
            bytes += static_cast<char>(std::strtoul(text.substr(i + 2, 2).c_str(), nullptr, 16));
            i += 3;
        } else
            bytes += text[i];
    return bytes;
}

// The first `n` space-separated fields of a line and the rest after them.
std::vector<std::string> Fields(const std::string& line, size_t n, std::string& rest) {
    std::vector<std::string> fields;
    size_t at = 0;
    while (fields.size() < n && at <= line.size()) {
        const size_t end = std::min(line.find(' ', at), line.size());
        fields.push_back(line.substr(at, end - at));
        at = end + 1;
    }
    rest = at < line.size() ? line.substr(at) : std::string();
    return fields;
}

// The partner's lines are under his name as the window has it, with the
// temporary mark or without.
bool PartnersLine(const std::string& partner, const std::string& name) {
    auto bare = [](const std::string& s) { return s.rfind("* ", 0) == 0 ? s.substr(2) : s; };
    return bare(partner) == bare(name);
}

} // namespace

std::vector<FaultRun::ChatWindow> FaultRun::ChatWindows() {
    std::vector<ChatWindow> chats;
    for (HWND hWnd : m_client.AllDialogs()) {
        const std::string caption = WindowText(hWnd);
        HWND input = ::GetDlgItem(hWnd, kChatInput);
        if (!input || caption.rfind(kChatCaption, 0) != 0)
            continue;
        ChatWindow chat;
        chat.hWnd = hWnd;
        chat.strPartner = caption.substr(sizeof kChatCaption - 1);
        chat.strInput = RemoteText(input);
        chat.bInputEnabled = ::IsWindowEnabled(input) != FALSE;
        std::string line;
        const std::string history = RemoteText(::GetDlgItem(hWnd, kChatHistory)) + "\n";
        for (char c : history) {
            if (c != '\r' && c != '\n') {
                line += c;
                continue;
            }
            // "[HH:MM] <name> text"
            const size_t open = line.find("] <"), close = line.find("> ", open);
            if (!line.empty() && line[0] == '[' && open != std::string::npos &&
                close != std::string::npos)
                chat.lines.push_back(
                    {line.substr(open + 3, close - open - 3), line.substr(close + 2)});
            else if (!line.empty())
                chat.lines.push_back({"", line});
            line.clear();
        }
        chats.push_back(chat);
    }
    return chats;
}

std::vector<std::string> FaultRun::SystemMessageLabels() {
    std::vector<std::string> labels;
    if (!m_client.Running())
        return labels;
    RemoteTree tree(m_client.Process(), m_client.Child(1000));
    for (const RemoteTreeItem& item : tree.All(1))
        if (item.strText == "Komunikaty systemowe")
            for (const RemoteTreeItem& message : tree.Children(item.hItem))
                labels.push_back(message.strText);
    return labels;
}

// What the chats show of the messages announced and the texts sent: each in
// its contact's window once. Messages announced while no session was open are
// not required (the client never heard of them), nor those of an epoch gone:
// their windows went with it. What is shown must be shown once all the same.
void FaultRun::CheckChat() {
    if (!m_client.Running())
        return;
    int inFlight = 0;
    std::set<unsigned> required;
    if (m_bSimOffset)
        for (const PushEvent& e : DueEvents(m_sim.PushLog(), kLogin, &inFlight))
            if ((e.nType == 1 || e.nType == 100) &&
                e.nAtMs - m_nSimOffset >= static_cast<long long>(m_dwEpochAt + kEpochMarginMs))
                required.insert(e.nParam);
    std::map<unsigned, std::string> names; // user id: contact name
    for (const UserContact& u : UserContacts(m_sim.Contacts(kLogin)))
        names[u.nUserId] = u.strName;
    struct Message {
        unsigned nId;
        int nKind;
        unsigned nSender;
        std::string strText;
    };
    std::vector<Message> messages;
    for (const std::string& line : m_sim.Messages(kLogin)) {
        std::string text;
        std::vector<std::string> f = Fields(line, 4, text);
        if (f.size() == 4)
            messages.push_back({static_cast<unsigned>(std::atoi(f[0].c_str())),
                                std::atoi(f[1].c_str()),
                                static_cast<unsigned>(std::atoi(f[2].c_str())), Unescape(text)});
    }

    std::vector<std::string> problems;
    int messagesShown = 0, textsShown = 0, textsTold = 0;
    auto evaluate = [&] {
        problems.clear();
        messagesShown = textsShown = textsTold = 0;
        const std::vector<ChatWindow> chats = ChatWindows();
        const std::vector<std::string> labels = SystemMessageLabels();
        const std::vector<std::string> texts = m_sim.Texts();
        std::vector<std::string> missing;
        for (const Message& m : messages) {
            const std::string what = "message " + std::to_string(m.nId) + " \"" + m.strText + "\"";
            int shown = 0;
            if (m.nKind == 100) {
                shown = static_cast<int>(
                    std::count(labels.begin(), labels.end(), m.strText.substr(0, 30)));
            } else if (m.nKind == 1) {
                const std::string& name = names[m.nSender];
                for (const ChatWindow& chat : chats)
                    for (const auto& [who, text] : chat.lines) {
                        if (text != m.strText)
                            continue;
                        if (PartnersLine(chat.strPartner, name) &&
                            PartnersLine(chat.strPartner, who))
                            ++shown;
                        else
                            problems.push_back(what + " from " + name + " shown in the chat of " +
                                               chat.strPartner + " under <" + who + ">");
                    }
            } else
                continue;
            if (shown > 1)
                problems.push_back(what + " shown " + std::to_string(shown) + " times");
            messagesShown += shown > 0;
            if (!shown && required.count(m.nId))
                missing.push_back(what);
        }
        const int givenUp = BoxesSeen("Błąd przy odbieraniu wiadomości.");
        if (static_cast<int>(missing.size()) > givenUp)
            for (const std::string& what : missing)
                problems.push_back(what + " announced on an open session is not shown (" +
                                   std::to_string(missing.size()) + " missing, " +
                                   std::to_string(givenUp) + " fetches given up)");
        int untold = 0;
        for (const SentText& t : m_texts) {
            const std::string what =
                "text " + t.strText.substr(0, t.strText.find(':') + 1) + " to " + t.strName;
            int accepted = 0;
            for (const std::string& line : texts) {
                std::string text;
                std::vector<std::string> f = Fields(line, 3, text);
                accepted += f.size() == 3 && f[1] == kLogin && f[2] == t.strNumber &&
                            Unescape(text) == t.strText;
            }
            if (accepted > 1)
                problems.push_back(what + " taken by the service " + std::to_string(accepted) +
                                   " times");
            // The windows of an epoch gone are gone.
            if (t.nEpoch != m_nEpoch)
                continue;
            int own = 0;
            bool inField = false;
            for (const ChatWindow& chat : chats) {
                const bool its = PartnersLine(chat.strPartner, t.strName);
                inField = inField || (its && chat.strInput == t.strText);
                if (its && chat.strInput == t.strText && !chat.bInputEnabled)
                    problems.push_back(what + " still on its way (the field greyed)");
                for (const auto& [who, text] : chat.lines)
                    if (text == t.strText) {
                        if (its && !PartnersLine(chat.strPartner, who))
                            ++own;
                        else
                            problems.push_back(what + " shown in the chat of " + chat.strPartner +
                                               " under <" + who + ">");
                    }
            }
            if (own > 1)
                problems.push_back(what + " shown " + std::to_string(own) + " times as sent");
            if (own && !accepted)
                problems.push_back(what + " shown as sent, but the service never took it");
            // Taken but its answer late past the client's time-out: told as not sent.
            if (!own && accepted && !t.bSlow)
                problems.push_back(what + " taken by the service but not shown as sent");
            textsShown += own > 0;
            if (!own && !inField) {
                ++untold;
                ++textsTold;
            }
        }
        const int told = BoxesSeen("nie wysłana") + BoxesSeen("nie jest użytkownikiem");
        if (untold > told)
            problems.push_back(std::to_string(untold) +
                               " texts neither shown as sent nor left in their field, but only " +
                               std::to_string(told) + " boxes said a text was not sent");
        return problems.empty();
    };
    WaitFor(
        [&] {
            AnswerBoxes(true);
            return evaluate();
        },
        kChatWaitMs);
    for (const std::string& problem : problems)
        Fail(problem);
    int current = 0;
    for (const SentText& t : m_texts)
        current += t.nEpoch == m_nEpoch;
    Note("chat: " + std::to_string(messages.size()) + " messages stored, " +
         std::to_string(required.size()) + " required, " + std::to_string(messagesShown) +
         " shown; " + std::to_string(m_texts.size()) + " texts sent (" + std::to_string(current) +
         " in this epoch), " + std::to_string(textsShown) + " shown as sent, " +
         std::to_string(textsTold) + " told as not sent; " +
         std::to_string(BoxesSeen("Błąd przy odbieraniu wiadomości.")) + " fetches given up");
}

// Every user's message the client fetched is in the history exactly once,
// whatever ended the client on the way: an announced message is kept for the
// next start until it is in the history, and one fetched again is found there.
void FaultRun::CheckHistory() {
    std::set<unsigned> fetched;
    const std::string fetch = "function=RECEIVEMSG&MsgId=";
    for (const std::string& line : m_sim.Log())
        if (size_t at = line.find(fetch); at != std::string::npos)
            fetched.insert(static_cast<unsigned>(std::atoi(line.c_str() + at + fetch.size())));
    const Path folder = ClientDataFolder();
    std::map<std::string, int> kept; // a partner's text: how often the histories hold it
    WIN32_FIND_DATAW found;
    HANDLE search =
        ::FindFirstFileW((folder / Widen(kLogin + std::string("-*.hst"))).c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string bytes;
            if (ReadFile(folder / found.cFileName, bytes))
                for (const HistoryEntry& e : LastHistoryEntries(bytes, SIZE_MAX))
                    kept[e.strText] += !e.bOwn;
        } while (::FindNextFileW(search, &found));
        ::FindClose(search);
    }
    int users = 0, lost = 0;
    for (const std::string& line : m_sim.Messages(kLogin)) {
        std::string text;
        std::vector<std::string> f = Fields(line, 4, text);
        if (f.size() != 4 || f[1] != "1")
            continue;
        ++users;
        text = Unescape(text);
        const unsigned id = static_cast<unsigned>(std::atoi(f[0].c_str()));
        if (kept[text] > 1)
            Fail("message " + f[0] + " \"" + text + "\" kept " + std::to_string(kept[text]) +
                 " times in the history");
        lost += kept[text] == 0 && fetched.count(id);
    }
    int givenUp = 0;
    for (const auto& [at, box] : m_boxesSeen)
        givenUp += box.find("Błąd przy odbieraniu wiadomości.") != std::string::npos;
    if (lost > givenUp)
        Fail(std::to_string(lost) + " messages fetched but not in the history, only " +
             std::to_string(givenUp) + " fetches given up");
    Note("history: " + std::to_string(users) + " users' messages, " +
         std::to_string(fetched.size()) + " ids fetched, " + std::to_string(lost) +
         " fetched but not kept");
}
