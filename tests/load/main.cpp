// load.exe memory | load.exe run SECONDS [PRESENCES MESSAGES]
//
// memory: the client's memory figure. A bare Win32 window that made one
// HTTPS GET (bare_window.exe), then the real BriskoPC.exe logged in with 400
// contacts and 10 chat windows open; the resident and anonymous memory of
// each Wine process as Linux counts it, their difference and ratio.
//
// run: the load run. The client's counted build (bin/counted), logged in as
// above, while the simulator plays an hour compressed into SECONDS: 10,000
// presence changes and 2,000 messages (or as many as given) from the ten open
// chats' contacts; the run writes an SMS every 10 s, whose delivery report
// follows. It samples the client's memory and handle counters every 3 s and
// ends with "passed" when memory and handles stayed flat after the warm-up
// (the first third; see CheckFlat), every message and delivery report showed
// and the client did not crash; else "failed" and why. A scenario, not a
// test: ./brisko load runs it.
#include "ChatHistoryCtrl.h"
#include "ChatText.h"
#include "Files.h"
#include "HandleCounts.h"
#include "LoadClient.h"
#include "ProcessMemory.h"
#include "RemoteTree.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <set>

namespace {

constexpr DWORD kSampleMs = 3000, kSmsEveryMs = 10000, kDrainMs = 60000, kSettleMs = 5000;
constexpr long long kMemorySlackKb = 2048;
constexpr WORD kWriteSms = 32778;
constexpr int kSmsNumber = 1002, kSmsText = 1003, kChatHistory = 1030, kImageSmsReport = 9;
const char* const kKinds[fw::kHandleKinds] = {"windows", "GDI",    "threads", "WinInet",
                                              "files",   "kernel", "sockets"};

bool Memory(const std::string& program, UnixMemory& m) {
    const int pid = UnixPidOf(program);
    return pid && ReadUnixMemory(pid, m);
}

// Settled: the last of a few readings a second apart.
bool SettledMemory(const std::string& program, UnixMemory& m) {
    bool ok = false;
    for (int i = 0; i < 3; ++i, ::Sleep(1000))
        ok = Memory(program, m);
    return ok;
}

int MemoryFigure() {
    SimControl sim;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::string command = "\"" + BesideThisProgram("bare_window.exe") + "\" " +
                          std::to_string(SimControl::HttpsPort());
    if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &si, &pi)) {
        std::printf("memory: bare_window.exe did not start\n");
        return 1;
    }
    HWND bare = nullptr;
    WaitFor([&] { return (bare = ::FindWindowA("BareWindow", "bare_window OK")) != nullptr; },
            20000);
    UnixMemory base;
    const bool baseRead = bare && SettledMemory(BesideThisProgram("bare_window.exe"), base);
    if (bare)
        ::PostMessageA(bare, WM_CLOSE, 0, 0);
    if (::WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0)
        ::TerminateProcess(pi.hProcess, 1);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    if (!baseRead) {
        std::printf("memory: the bare window made no GET or its memory could not be read\n");
        return 1;
    }
    ClientProcess client;
    const std::string failed = StartLoggedIn(client, sim, BesideThisProgram("BriskoPC.exe"));
    UnixMemory used;
    const bool usedRead = failed.empty() && SettledMemory(BesideThisProgram("BriskoPC.exe"), used);
    if (!client.Quit(10000))
        client.Kill();
    if (!usedRead) {
        std::printf("memory: %s\n",
                    failed.empty() ? "the client's memory could not be read" : failed.c_str());
        return 1;
    }
    auto line = [](const char* what, const UnixMemory& m) {
        std::printf("memory: %-44s VmRSS %6lld kB, RssAnon %6lld kB, RssFile %6lld kB, RssShmem "
                    "%6lld kB\n",
                    what, m.nRssKb, m.nAnonKb, m.nFileKb, m.nShmemKb);
    };
    line("bare Win32 window after one HTTPS GET:", base);
    line("BriskoPC, 400 contacts, 10 chat windows:", used);
    std::printf("memory: client - bare: VmRSS %+.1f MB (%.2fx), RssAnon %+.1f MB (%.2fx);"
                " aim: at most 8 MB more\n",
                (used.nRssKb - base.nRssKb) / 1024.0, double(used.nRssKb) / base.nRssKb,
                (used.nAnonKb - base.nAnonKb) / 1024.0, double(used.nAnonKb) / base.nAnonKb);
    // What VmRSS holds beyond RssAnon is not the program's own: the windows'
    // drawing surfaces, shared with the X server (a Windows process does not
    // keep them), and the pages of the DLLs it loads.
    std::printf("memory: the rest of VmRSS: RssShmem %+.1f MB (window surfaces shared with the X "
                "server), RssFile %+.1f MB (program and DLL files)\n",
                (used.nShmemKb - base.nShmemKb) / 1024.0, (used.nFileKb - base.nFileKb) / 1024.0);
    return 0;
}

// What Wine's rich edit itself takes for the chat text, measured beside the
// run in this process: `messages` messages as the chats show them, over
// kChats history controls of the client's own class. The control keeps
// about 10 kB for every line, so a conversation's window grows as it goes.
// The header must carry a clock as the service's time gives it: Wine cuts a
// line into more pieces at its digits and colon, and the line costs a third
// more than one with an empty clock.
UnixMemory ChatTextCost(int messages) {
    ::LoadLibraryA("riched20.dll");
    HWND parent = ::CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 480,
                                    260, nullptr, nullptr, nullptr, nullptr);
    std::vector<CChatHistoryCtrl> chats(kChats);
    for (int i = 0; i < kChats; ++i) {
        ::CreateWindowExW(
            WS_EX_CLIENTEDGE, RICHEDIT_CLASSW, L"",
            WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, 0, 0,
            440, 205, parent, reinterpret_cast<HMENU>(INT_PTR(i + 1)), nullptr, nullptr);
        chats[i].SubclassDlgItem(i + 1, parent);
        chats[i].SetDefaultFormat();
        chats[i].DetectLinks();
    }
    UnixMemory before, after, cost;
    ReadUnixMemory(UnixPidOf(BesideThisProgram("load.exe")), before);
    for (int i = 0; i < messages; ++i) {
        CChatHistoryCtrl& chat = chats[i % kChats];
        chat.Append(MessageHeader("2026-12-09 13:28:00", "Użytkownik 001"),
                    CChatHistoryCtrl::PARTNER_HEADER);
        chat.Append("wiadomość " + std::to_string(i) + "\r\n", CChatHistoryCtrl::PARTNER_TEXT);
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            ::DispatchMessageA(&msg);
    }
    ReadUnixMemory(UnixPidOf(BesideThisProgram("load.exe")), after);
    ::DestroyWindow(parent);
    cost.nRssKb = after.nRssKb - before.nRssKb;
    cost.nAnonKb = after.nAnonKb - before.nAnonKb;
    return cost;
}

struct Sample {
    DWORD dwAt;
    UnixMemory memory;
    std::array<LONG, fw::kHandleKinds> handles;
};

void Print(const char* what, const Sample& s) {
    std::printf("load: %s %4lu s: VmRSS %6lld kB, RssAnon %6lld kB, handles", what, s.dwAt / 1000,
                s.memory.nRssKb, s.memory.nAnonKb);
    for (LONG count : s.handles)
        std::printf(" %ld", count);
    std::printf("\n");
}

class LoadRun {
public:
    LoadRun(int seconds, int presences, int messages)
        : m_nSeconds(seconds), m_nPresences(presences), m_nMessages(messages) {}
    int Run();

private:
    bool Take(Sample& s);
    void WriteSms();
    void AnswerBoxes();
    std::set<unsigned> ShownMessages();
    int ShownReports();
    void CheckFlat(const UnixMemory& text, const Sample& drained);
    void Fail(const std::string& why) { m_failures.push_back(why); }

    int m_nSeconds, m_nPresences, m_nMessages;
    SimControl m_sim;
    ClientProcess m_client;
    std::vector<LoadContact> m_contacts;
    const LONG* m_pCounts = nullptr;
    int m_nPid = 0; // the client's, on Linux
    DWORD m_dwStart = 0;
    std::vector<Sample> m_samples;
    std::vector<std::string> m_sms; // the tags their texts begin with
    std::set<std::string> m_boxes;
    std::vector<std::string> m_failures;
};

bool LoadRun::Take(Sample& s) {
    s.dwAt = ::GetTickCount() - m_dwStart;
    std::copy(m_pCounts, m_pCounts + fw::kHandleKinds, s.handles.begin());
    return ReadUnixMemory(m_nPid, s.memory);
}

void LoadRun::WriteSms() {
    const LoadContact& to = m_contacts[kChats + m_sms.size() % (kLoadContacts - kChats)];
    const std::string tag = "LOAD" + std::to_string(m_sms.size() + 1) + ":";
    AnswerBoxes();
    // The command writes to the contact selected, as a user picks him first
    // (with nothing selected it does nothing).
    {
        RemoteTree tree(m_client.Process(), m_client.Child(1000));
        for (const RemoteTreeItem& item : tree.ChildrenOf("Kontakty"))
            if (item.strText.rfind(to.strName, 0) == 0)
                tree.Select(item.hItem);
    }
    ::PostMessageA(m_client.Main(), WM_COMMAND, kWriteSms, 0);
    HWND hDlg = nullptr;
    WaitFor(
        [&] {
            AnswerBoxes();
            for (HWND h : m_client.Dialogs())
                if (::GetDlgItem(h, kSmsNumber))
                    hDlg = h;
            return hDlg != nullptr;
        },
        10000);
    if (!hDlg) {
        Fail("the compose dialog did not open for " + tag);
        return;
    }
    for (auto [control, text] :
         {std::pair{kSmsNumber, to.strNumber.substr(3)}, {kSmsText, tag + " do zobaczenia jutro"}})
        SetControlText(::GetDlgItem(hDlg, control), text);
    Press(hDlg, IDOK);
    m_sms.push_back(tag);
}

// The notices the client shows along the way ("the outbox went") are read
// and closed as a user would.
void LoadRun::AnswerBoxes() {
    for (HWND h : m_client.Dialogs())
        if (!::GetDlgItem(h, kChatHistory) && !::GetDlgItem(h, kSmsNumber)) {
            // Not yet filled in: its text comes with the next look.
            const std::string text = DialogText(h);
            if (text.empty())
                continue;
            m_boxes.insert(text);
            Press(h, IDOK);
        }
}

std::set<unsigned> LoadRun::ShownMessages() {
    // Each message's text names its id: "wiadomość <id>".
    const std::string mark = "wiadomość ";
    std::set<unsigned> ids;
    for (HWND chat : ChatWindows(m_client)) {
        const std::string text = RemoteText(::GetDlgItem(chat, kChatHistory));
        for (size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at + 1))
            ids.insert(
                static_cast<unsigned>(std::strtoul(text.c_str() + at + mark.size(), nullptr, 10)));
    }
    return ids;
}

int LoadRun::ShownReports() {
    RemoteTree tree(m_client.Process(), m_client.Child(1000));
    const std::vector<RemoteTreeItem> items = tree.All(2);
    int shown = 0;
    for (const std::string& tag : m_sms)
        shown += std::any_of(items.begin(), items.end(), [&](const RemoteTreeItem& item) {
            // Under its contact, labelled with its text.
            return item.lParam >= 1000 && item.strText.rfind(tag, 0) == 0 &&
                   item.nImage == kImageSmsReport;
        });
    return shown;
}

// Flat after the warm-up: the first third of the samples warms up. Memory's
// highest in the last third at most kMemorySlackKb above its highest in the
// middle one, beside what the chat text that came between the two takes in
// Wine's rich edit: `text`, measured beside for all the messages, which the
// simulator spreads evenly over the run. Each handle count once the events
// are done with (`drained`) not above its lowest in the middle third: under
// load a request or a box is open at nearly every sample, which is no leak,
// but a leak keeps its handles after the drain too.
void LoadRun::CheckFlat(const UnixMemory& text, const Sample& drained) {
    const size_t n = m_samples.size(), third = n / 3;
    if (third < 2) {
        Fail("too few samples to judge");
        return;
    }
    auto best = [&](size_t from, size_t to, auto value, bool highest) {
        size_t at = from;
        for (size_t i = from; i < to; ++i)
            if (highest ? value(m_samples[i]) > value(m_samples[at])
                        : value(m_samples[i]) < value(m_samples[at]))
                at = i;
        return m_samples[at];
    };
    auto report = [&](const std::string& what, const char* kind, const char* against,
                      long long middle, long long last, long long slack) {
        std::printf("load: %-10s %s middle third %lld, %s %lld (allowed %+lld)\n", what.c_str(),
                    kind, middle, against, last, slack);
        if (last > middle + slack)
            Fail(what + " grew after the warm-up: " + std::to_string(middle) + " -> " +
                 std::to_string(last));
    };
    auto memory = [&](const char* what, auto value, long long textKb) {
        const Sample &middle = best(third, 2 * third, value, true),
                     &last = best(2 * third, n, value, true);
        const long long slack =
            kMemorySlackKb + textKb * (last.dwAt - middle.dwAt) / (m_nSeconds * 1000LL);
        report(what, "highest:", "last third", value(middle), value(last), slack);
    };
    memory(
        "VmRSS kB", [](const Sample& s) { return s.memory.nRssKb; }, text.nRssKb);
    memory(
        "RssAnon kB", [](const Sample& s) { return s.memory.nAnonKb; }, text.nAnonKb);
    for (int k = 0; k < fw::kHandleKinds; ++k) {
        auto count = [k](const Sample& s) { return (long long)s.handles[k]; };
        report(kKinds[k], "lowest: ", "after the drain",
               count(best(third, 2 * third, count, false)), count(drained), 0);
    }
}

int LoadRun::Run() {
    m_contacts = LoadContacts(m_sim);
    const std::string failed =
        StartLoggedIn(m_client, m_sim, BesideThisProgram("counted\\BriskoPC.exe"));
    char name[64];
    std::snprintf(name, sizeof name, fw::kHandleCountsName, ::GetProcessId(m_client.Process()));
    HANDLE mapping = failed.empty() ? ::OpenFileMappingA(FILE_MAP_READ, FALSE, name) : nullptr;
    m_pCounts = mapping ? static_cast<const LONG*>(::MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0))
                        : nullptr;
    m_nPid = UnixPidOf(BesideThisProgram("counted\\BriskoPC.exe"));
    if (!failed.empty() || !m_pCounts || !m_nPid) {
        std::printf("load: %s\nfailed\n", !failed.empty() ? failed.c_str()
                                          : m_pCounts ? "the client's Linux process was not found"
                                                      : "the client keeps no handle counters");
        m_client.Kill();
        return 1;
    }
    if (!m_sim.Load(kLoadLogin, m_nPresences, m_nMessages, kChats, m_nSeconds, 1)) {
        std::printf("load: the simulator refused the load\nfailed\n");
        m_client.Kill();
        return 1;
    }
    m_dwStart = ::GetTickCount();
    const DWORD end = m_nSeconds * 1000u;
    DWORD nextSample = 0, nextSms = kSmsEveryMs / 2;
    for (DWORD now = 0; now < end && m_client.Running(); now = ::GetTickCount() - m_dwStart) {
        AnswerBoxes();
        if (now >= nextSms) {
            WriteSms();
            nextSms += kSmsEveryMs;
        }
        Sample s;
        if (now >= nextSample && Take(s)) {
            Print("sample", s);
            m_samples.push_back(s);
            // After a slow step the next sample waits its time, not a burst of them.
            nextSample = now + kSampleMs;
        }
        ::Sleep(200);
    }
    // What is still on its way shows within the drain.
    std::set<unsigned> expected;
    for (const std::string& line : m_sim.Messages(kLoadLogin))
        expected.insert(static_cast<unsigned>(std::strtoul(line.c_str(), nullptr, 10)));
    std::set<unsigned> shown;
    int reports = 0;
    WaitFor(
        [&] {
            AnswerBoxes();
            shown = ShownMessages();
            reports = ShownReports();
            return !m_client.Running() ||
                   (std::includes(shown.begin(), shown.end(), expected.begin(), expected.end()) &&
                    reports == int(m_sms.size()));
        },
        kDrainMs);
    if (!m_client.Running())
        Fail("the client ended during the run (exit code " + std::to_string(m_client.ExitCode()) +
             ")");
    // Whatever was queued when the events stopped is done with once the
    // last requests have ended too.
    for (DWORD settled = ::GetTickCount(); ::GetTickCount() - settled < kSettleMs;)
        AnswerBoxes(), ::Sleep(200);
    Sample drained{};
    if (Take(drained))
        Print("after the drain", drained);
    else
        Fail("no sample after the drain");
    size_t missing = 0;
    for (unsigned id : expected)
        missing += !shown.count(id);
    std::printf("load: %zu samples over %d s, %d presence changes and %zu messages sent\n",
                m_samples.size(), m_nSeconds, m_nPresences, expected.size());
    std::printf(
        "load: messages shown: %zu distinct of %zu; delivery reports shown: %d of %zu SMS\n",
        expected.size() - missing, expected.size(), reports, m_sms.size());
    if (missing || expected.size() != size_t(m_nMessages))
        Fail(std::to_string(missing) + " messages not shown");
    if (reports != int(m_sms.size()))
        Fail(std::to_string(m_sms.size() - reports) + " delivery reports not shown");
    for (const std::string& box : m_boxes)
        std::printf("load: the client said: %s\n", box.c_str());
    if (!m_samples.empty()) {
        const Sample &first = m_samples.front(), &last = m_samples.back();
        std::printf("load: VmRSS %lld -> %lld kB, RssAnon %lld -> %lld kB\n", first.memory.nRssKb,
                    last.memory.nRssKb, first.memory.nAnonKb, last.memory.nAnonKb);
        for (int k = 0; k < fw::kHandleKinds; ++k)
            std::printf("load: %-10s %ld -> %ld\n", kKinds[k], first.handles[k], last.handles[k]);
    }
    if (!m_client.Quit(10000))
        m_client.Kill();
    const UnixMemory text = ChatTextCost(int(expected.size()));
    std::printf("load: the text of %zu messages in Wine's rich edit, beside: VmRSS %+lld kB, "
                "RssAnon %+lld kB\n",
                expected.size(), text.nRssKb, text.nAnonKb);
    CheckFlat(text, drained);
    for (const std::string& f : m_failures)
        std::printf("load: FAIL: %s\n", f.c_str());
    std::printf("%s\n", m_failures.empty() ? "passed" : "failed");
    return m_failures.empty() ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (SimControl::HttpsPort() == 0) {
        std::printf("no simulator: run through ./brisko bench or ./brisko load\n");
        return 2;
    }
    if (argc == 2 && std::string(argv[1]) == "memory")
        return MemoryFigure();
    if ((argc == 3 || argc == 5) && std::string(argv[1]) == "run" && std::atoi(argv[2]) > 0)
        return LoadRun(std::atoi(argv[2]), argc == 5 ? std::atoi(argv[3]) : 10000,
                       argc == 5 ? std::atoi(argv[4]) : 2000)
            .Run();
    std::printf("usage: load.exe memory | load.exe run SECONDS [PRESENCES MESSAGES]\n");
    return 2;
}
