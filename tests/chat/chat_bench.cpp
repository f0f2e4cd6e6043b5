// Benchmark, not a test: 10,000 messages of one contact, each from its
// RECEIVEMSG answer's WM_REQUEST_DONE to the line in the chat window's
// history. A history that costs more the longer it gets shows in the ratio
// of the last thousand to the first; against the bare platform calls, each
// message's lines appended to a rich edit control of the same class. Then what
// keeping the history costs: a message with it and without, and a chat window
// opened with the last 100 messages of earlier conversations and with none.
// ./brisko bench runs it.
#include "BriskoPCApp.h"
#include "BriskoPCDlg.h"
#include "ChatDlg.h"
#include "ClientTest.h"
#include "Dialog.h"
#include "MessageBox.h"
#include "Messages.h"

#include <memory>
#include <numeric>
#include <string>
#include <vector>

namespace {

const int kMessages = 10000, kBlock = 1000, kOpens = 21;

Contact* AddContact(CBriskoPCDlg& dlg, const char* name, const char* number, int userId) {
    auto* c = new Contact;
    c->strName = name;
    c->strNumber = number;
    c->nUserId = userId;
    c->nTreeId = dlg.m_contacts.NextTreeId();
    c->nPresence = 1;
    dlg.m_contacts.AddOrUpdate(c);
    return c;
}

// Mean time of the messages with ids [from, from + n) from the user.
double MessagesMs(CBriskoPCDlg& dlg, int userId, int from, int n, std::vector<double>* times) {
    double sum = 0;
    for (int id = from; id < from + n; ++id) {
        std::string answer = "RECEIVEMSGOK\r\n" + std::to_string(userId) +
                             "\r\n1\r\n2026-12-08 15:04:05\r\nWiadomo\x9C\xE6 nr " +
                             std::to_string(id) + ", zobacz http://www.brisko.pl/" +
                             std::to_string(id);
        double ms = TimeAnswer(dlg, "RECEIVEMSG", answer, std::make_shared<int>(id));
        if (times)
            times->push_back(ms);
        sum += ms;
    }
    return sum / n;
}

// The mean time of n messages' lines appended at the end of a bare control of
// the class, style, size, text limit and visibility of `like`.
double BareAppendMs(HWND like, int n) {
    char cls[64] = "";
    ::GetClassNameA(like, cls, sizeof cls);
    RECT r;
    ::GetWindowRect(like, &r);
    DWORD style = (::GetWindowLongA(like, GWL_STYLE) & ~(WS_CHILD | WS_VISIBLE)) | WS_POPUP |
                  (::IsWindowVisible(like) ? WS_VISIBLE : 0);
    HWND edit = ::CreateWindowExA(0, cls, "", style, r.left, r.top, r.right - r.left,
                                  r.bottom - r.top, nullptr, nullptr, nullptr, nullptr);
    ::SendMessageA(edit, EM_EXLIMITTEXT, 0, ::SendMessageA(like, EM_GETLIMITTEXT, 0, 0));
    double sum = 0;
    for (int id = 1; id <= n; ++id) {
        std::string lines = "Ola (15:04:05):\r\nWiadomo\x9C\xE6 nr " + std::to_string(id) +
                            ", zobacz http://www.brisko.pl/" + std::to_string(id) + "\r\n";
        double start = NowMs();
        ::SendMessageA(edit, EM_SETSEL, -1, -1);
        ::SendMessageA(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(lines.c_str()));
        sum += NowMs() - start;
    }
    ::DestroyWindow(edit);
    return sum / n;
}

// The median time of making the contact's chat window anew.
double OpenMs(CBriskoPCDlg& dlg, Contact* c) {
    std::vector<double> times;
    for (int i = 0; i < kOpens; ++i) {
        c->pChatDlg.reset();
        double start = NowMs();
        dlg.OpenChatWindow(c);
        times.push_back(NowMs() - start);
    }
    return Median(times);
}

} // namespace

int main() {
    CBriskoPCApp app;
    UseFreshProfile(app, "briskopc-chat-bench", "127.0.0.1", 9);
    fw::DialogScript dialogs; // no stored password: the login dialog is declined
    fw::MessageBoxScript boxes;
    if (!app.InitInstance())
        return 1;
    CBriskoPCDlg& dlg = *app.m_pMainDlg;
    StopTimers(dlg.m_hWnd);
    dlg.m_nSessionState = 2;
    dlg.m_strLogin = "+48600100200";
    Contact* ola = AddContact(dlg, "Ola", "+48600100299", 99);

    std::vector<double> times;
    MessagesMs(dlg, 99, 1, kMessages, &times);
    auto block = [&](int from) {
        double sum = 0;
        for (int i = from; i < from + kBlock; ++i)
            sum += times[i];
        return sum / kBlock;
    };
    double first = block(0), last = block(kMessages - kBlock);
    size_t lines =
        static_cast<size_t>(::SendMessageA(ola->pChatDlg->m_history.m_hWnd, EM_GETLINECOUNT, 0, 0));
    std::string many = std::to_string(kMessages) + " messages into one chat window (" +
                       std::to_string(lines) + " lines)";
    PrintFigure(many + ", the last " + std::to_string(kBlock) + ", a message", Ms(last),
                "the first " + std::to_string(kBlock), Ms(first), last / first, "ratio < 1.2");
    double mean = std::accumulate(times.begin(), times.end(), 0.0) / kMessages;
    double bare = BareAppendMs(ola->pChatDlg->m_history.m_hWnd, kMessages);
    PrintFigure(many + ", a message", Ms(mean),
                "its lines appended to a rich edit, of " + std::to_string(kMessages), Ms(bare),
                mean / bare, "< 1 ms");

    Contact* ewa = AddContact(dlg, "Ewa", "+48600100298", 98);
    AddContact(dlg, "Piotr", "+48600100297", 97);
    dlg.m_bSaveHistory = FALSE;
    double without = MessagesMs(dlg, 98, 20001, kBlock, nullptr);
    dlg.m_bSaveHistory = TRUE;
    double with = MessagesMs(dlg, 97, 30001, kBlock, nullptr);
    char difference[32];
    std::snprintf(difference, sizeof difference, " (%+.3f ms)", with - without);
    PrintFigure("a message kept in the history", Ms(with) + difference, "not kept", Ms(without),
                with / without, "at most +1 ms");

    double empty = OpenMs(dlg, ewa), earlier = OpenMs(dlg, ola);
    PrintFigure("a chat window opened with the last 100 of " + std::to_string(kMessages) +
                    " messages, median of " + std::to_string(kOpens),
                Ms(earlier), "with none", Ms(empty), earlier / empty, "<= 20 ms");
    dlg.OnClose();
    app.ExitInstance();
    return 0;
}
