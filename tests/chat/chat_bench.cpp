// Benchmark, not a test: 10,000 messages of one contact, each from its
// RECEIVEMSG answer's WM_REQUEST_DONE to the line in the chat window's
// history. A history that costs more the longer it gets shows in the ratio
// of the last thousand to the first. Then what keeping the history costs: a
// message with it and without, and a chat window opened with the last 100
// messages of earlier conversations and with none. ./brisko bench runs it.
#include "BriskoPCApp.h"
#include "BriskoPCDlg.h"
#include "ChatDlg.h"
#include "ClientTest.h"
#include "Dialog.h"
#include "MessageBox.h"
#include "Messages.h"

#include <algorithm>
#include <cstdio>
#include <memory>
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

// The median time of making the contact's chat window anew.
double OpenMs(CBriskoPCDlg& dlg, Contact* c) {
    std::vector<double> times;
    for (int i = 0; i < kOpens; ++i) {
        c->pChatDlg.reset();
        double start = NowMs();
        dlg.OpenChatWindow(c);
        times.push_back(NowMs() - start);
    }
    std::sort(times.begin(), times.end());
    return times[kOpens / 2];
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
    std::printf("%d messages into one chat window (%zu lines): first %d %.3f ms a message, "
                "last %d %.3f ms, ratio %.2f\n",
                kMessages, lines, kBlock, first, kBlock, last, last / first);

    Contact* ewa = AddContact(dlg, "Ewa", "+48600100298", 98);
    AddContact(dlg, "Piotr", "+48600100297", 97);
    dlg.m_bSaveHistory = FALSE;
    double without = MessagesMs(dlg, 98, 20001, kBlock, nullptr);
    dlg.m_bSaveHistory = TRUE;
    double with = MessagesMs(dlg, 97, 30001, kBlock, nullptr);
    std::printf("a message kept in the history: %.3f ms, not kept: %.3f ms, %+.3f ms "
                "(aim: at most +1 ms), ratio %.2f\n",
                with, without, with - without, with / without);

    double empty = OpenMs(dlg, ewa), earlier = OpenMs(dlg, ola);
    std::printf("a chat window opened with the last 100 of %d messages: %.2f ms, with none: "
                "%.2f ms (aim: at most 20 ms), ratio %.2f\n",
                kMessages, earlier, empty, earlier / empty);
    dlg.OnClose();
    app.ExitInstance();
    return 0;
}
