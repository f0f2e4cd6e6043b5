// kills.exe JOURNAL ROUND KIND HOW: one round of the kill run (./brisko kills).
// It first checks what the rounds before left: the data files parse, every
// SMS the journal names is in the outbox file or at the service, none twice,
// no message twice in a history. Then, KIND
//   chat   the service reachable: messages come in (history appends), and
//          the client is told to end (contacts and outbox rewritten);
//   sms    the service unreachable: SMS written one after another (the
//          outbox file rewritten for each);
//   final  the service reachable, the client sends what waits: every SMS
//          of the journal reaches the service exactly once.
// HOW "self": the client is killed (TerminateProcess) at a moment drawn from
// ROUND; "server": the run goes on until ./brisko ends every Wine process.
// Prints "PASS" or "FAIL: ..." lines; exits 0 when nothing failed.
#include "ClientProcess.h"
#include "ContactsFile.h"
#include "Files.h"
#include "HistoryFile.h"
#include "OutboxFile.h"
#include "RemoteTree.h"
#include "SimControl.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr const char* kLogin = "+48600100200";
constexpr const char* kPassword = "haslo123";
constexpr const char* kPartner = "+48600100201";
constexpr WORD kWriteSms = 32778, kSendOutbox = 32806, kQuit = 8;
constexpr int kSmsNumber = 1002, kSmsText = 1003;
constexpr DWORD kDialogMs = 5000;

std::vector<std::string> g_failures;

void Fail(const std::string& what) {
    std::printf("FAIL: %s\n", what.c_str());
    std::fflush(stdout);
    g_failures.push_back(what);
}

Path DataPath(const std::string& suffix) {
    return ClientDataFile(kLogin + suffix);
}

std::vector<std::string> JournalLines(const std::string& journal) {
    std::vector<std::string> lines;
    std::string bytes = ReadFile(journal);
    for (size_t from = 0, end; (end = bytes.find('\n', from)) != std::string::npos; from = end + 1)
        lines.push_back(bytes.substr(from, end - from));
    return lines;
}

// The journal's line goes to the system before the next step: a kill of
// every Wine process keeps it.
void Journal(const std::string& journal, const std::string& line) {
    HANDLE file = ::CreateFileA(journal.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    std::string bytes = line + "\n";
    ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
}

// The tag of an SMS text: its first word.
std::string Tag(const std::string& text) {
    return text.substr(0, text.find(' '));
}

// How many times each tag is at the service and in the outbox file.
std::map<std::string, int> SmsCounts(SimControl& sim, bool withOutbox) {
    std::map<std::string, int> counts;
    for (const std::string& line : sim.Sms())
        if (size_t at = line.find("KS"); at != std::string::npos)
            ++counts[Tag(line.substr(at))];
    if (withOutbox)
        for (const OutboxEntry& e : DecodeOutboxFile(ReadFile(DataPath(".obx"))).entries)
            ++counts[Tag(e.strText)];
    return counts;
}

void CheckFiles(SimControl& sim, const std::string& journal) {
    const Path obx = DataPath(".obx"), cts = DataPath(".cts");
    if (Exists(obx) && DecodeOutboxFile(ReadFile(obx)).bBroken)
        Fail("the outbox file does not parse");
    std::map<std::string, int> counts = SmsCounts(sim, true);
    bool contactsWritten = false;
    for (const std::string& line : JournalLines(journal)) {
        if (line.rfind("sms ", 0) == 0 && counts[line.substr(4)] != 1)
            Fail("SMS " + line.substr(4) + " is " + std::to_string(counts[line.substr(4)]) +
                 " times in the outbox file and at the service");
        contactsWritten |= line == "contacts";
    }
    // Once written, the contacts file is there for good, whole.
    if (Exists(cts)) {
        ContactsFileContent contacts = DecodeContactsFile(ReadFile(cts));
        if (contacts.bBroken || contacts.entries.empty())
            Fail("the contacts file is broken");
        if (!contactsWritten)
            Journal(journal, "contacts");
    } else if (contactsWritten) {
        Fail("the contacts file is gone");
    }
    std::vector<uint64_t> ids = HistoryMessageIds(ReadFile(DataPath("-600100201.hst")));
    if (std::set<uint64_t>(ids.begin(), ids.end()).size() != ids.size())
        Fail("a message is twice in the history");
}

// The first round writes the profile; the client keeps it from then on, and
// the histories of the rounds before stay.
void StartingProfile() {
    if (!Exists(ClientProfilePath()))
        WriteClientProfile(SimControl::HttpsPort(), kLogin, kPassword);
}

HWND SmsDialog(ClientProcess& client) {
    for (HWND hDlg : client.Dialogs())
        if (::GetDlgItem(hDlg, kSmsNumber) && ::GetDlgItem(hDlg, kSmsText))
            return hDlg;
    return nullptr;
}

// Notices and boxes the client shows on its way: answered with OK.
void AnswerBoxes(ClientProcess& client) {
    for (HWND hDlg : client.Dialogs())
        if (!::GetDlgItem(hDlg, kSmsNumber))
            ::PostMessageA(hDlg, WM_COMMAND, IDOK, 0);
}

// Until the main window's thread has handled all that came before.
bool Settled(ClientProcess& client) {
    DWORD_PTR ignored;
    return ::SendMessageTimeoutA(client.Main(), WM_NULL, 0, 0, SMTO_NORMAL, kDialogMs, &ignored);
}

void SetText(HWND hDlg, int control, const std::string& text) {
    SetControlText(::GetDlgItem(hDlg, control), text);
}

// One SMS through the compose dialog; journaled once the client handled it.
void WriteSms(ClientProcess& client, const std::string& journal, const std::string& tag) {
    ::PostMessageA(client.Main(), WM_COMMAND, kWriteSms, 0);
    HWND hDlg = nullptr;
    if (!WaitFor([&] { return (AnswerBoxes(client), hDlg = SmsDialog(client)) != nullptr; },
                 kDialogMs))
        return;
    SetText(hDlg, kSmsNumber, "600100201");
    SetText(hDlg, kSmsText, tag + " " + std::string(40 + tag.size() * 7 % 300, 'k'));
    ::PostMessageA(hDlg, WM_COMMAND, IDOK, 0);
    if (WaitFor([&] { return !::IsWindowVisible(hDlg); }, kDialogMs) && Settled(client))
        Journal(journal, "sms " + tag);
}

void Round(SimControl& sim, const std::string& journal, int round, const std::string& kind,
           bool self) {
    std::mt19937 rng(static_cast<unsigned>(round));
    const DWORD killAt = std::uniform_int_distribution<DWORD>(1500, 6000)(rng);
    if (!(kind == "chat" ? sim.Reachable() : sim.Unreachable()))
        return Fail("the simulator did not change its reachability");
    StartingProfile();
    ClientProcess client;
    if (!client.Start())
        return Fail("the client did not start");
    const DWORD start = ::GetTickCount();
    for (int i = 0; !self || ::GetTickCount() - start < killAt; ++i) {
        AnswerBoxes(client);
        if (kind == "sms") {
            WriteSms(client, journal, "KS" + std::to_string(round) + "N" + std::to_string(i));
        } else {
            sim.PushMessage(kLogin, kPartner, 1,
                            "KM" + std::to_string(round) + "N" + std::to_string(i));
            ::Sleep(100);
            // Logged in with the service's contacts, the client writes them at its end.
            if (self && ::GetTickCount() - start + 400 > killAt && i % 2 == 0) {
                ::PostMessageA(client.Main(), WM_COMMAND, kQuit, 0);
                ::Sleep(std::uniform_int_distribution<DWORD>(0, 400)(rng));
                break;
            }
        }
        if (::GetTickCount() - start > 60000)
            break;
    }
    // Told to quit, the client may have ended before the kill.
    const bool running = client.Running();
    client.Kill();
    std::printf("round %d (%s): the client %s %u ms after its start; %zu requests at the "
                "service so far\n",
                round, kind.c_str(), running ? "killed" : "had ended by itself",
                static_cast<unsigned>(::GetTickCount() - start), sim.Log().size());
}

void Final(SimControl& sim, const std::string& journal) {
    if (!sim.Reachable() || !sim.SetCredits(kLogin, 1000000))
        return Fail("the simulator did not become reachable");
    StartingProfile();
    ClientProcess client;
    if (!client.Start())
        return Fail("the client did not start for the final round");
    std::set<std::string> due;
    for (const std::string& line : JournalLines(journal))
        if (line.rfind("sms ", 0) == 0)
            due.insert(line.substr(4));
    int polls = 0;
    bool arrived = WaitFor(
        [&] {
            AnswerBoxes(client);
            if (++polls % 30 == 0)
                ::PostMessageA(client.Main(), WM_COMMAND, kSendOutbox, 0);
            std::map<std::string, int> counts = SmsCounts(sim, false);
            for (const std::string& tag : due)
                if (counts[tag] == 0)
                    return false;
            return true;
        },
        90000);
    if (!arrived) {
        Fail("not every SMS of the journal reached the service");
        RemoteTree tree(client.Process(), client.Child(1000));
        for (const RemoteTreeItem& item : tree.ChildrenOf("Połączenie"))
            std::printf("    the client shows: %s\n", item.strText.c_str());
        for (const std::string& line : sim.Log())
            std::printf("    the service saw: %s\n", line.substr(0, 160).c_str());
    }
    for (auto& [tag, count] : SmsCounts(sim, false))
        if (count > 1)
            Fail("SMS " + tag + " reached the service " + std::to_string(count) + " times");
    // An SMS confirmed as the kill came is sent without being in the journal.
    std::printf("final: %zu SMS journaled before the kills, %zu SMS at the service, each once; "
                "%zu messages in the history, %zu contacts in the contacts file\n",
                due.size(), SmsCounts(sim, false).size(),
                HistoryMessageIds(ReadFile(DataPath("-600100201.hst"))).size(),
                DecodeContactsFile(ReadFile(DataPath(".cts"))).entries.size());
    client.Kill();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 5 || SimControl::HttpsPort() == 0) {
        std::fprintf(stderr, "usage: kills.exe JOURNAL ROUND chat|sms|final self|server"
                             " (run by ./brisko kills)\n");
        return 2;
    }
    const std::string journal = argv[1], kind = argv[3];
    SimControl sim;
    CheckFiles(sim, journal);
    if (kind == "final")
        Final(sim, journal);
    else
        Round(sim, journal, std::atoi(argv[2]), kind, std::string(argv[4]) == "self");
    if (g_failures.empty())
        std::printf("PASS\n");
    return g_failures.empty() ? 0 : 1;
}
