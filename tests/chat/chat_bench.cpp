// Benchmark, not a test: 10,000 messages of one contact, each from its
// RECEIVEMSG answer's WM_REQUEST_DONE to the line in the chat window's
// history. A history that costs more the longer it gets shows in the ratio
// of the last thousand to the first. ./brisko bench runs it.
#include "BriskoPCApp.h"
#include "BriskoPCDlg.h"
#include "ChatDlg.h"
#include "ClientTest.h"
#include "Dialog.h"
#include "MessageBox.h"
#include "Messages.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

const int kMessages = 10000, kBlock = 1000;

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
    auto* ola = new Contact;
    ola->strName = "Ola";
    ola->strNumber = "+48600100299";
    ola->nUserId = 99;
    ola->nTreeId = dlg.m_contacts.NextTreeId();
    ola->nPresence = 1;
    dlg.m_contacts.AddOrUpdate(ola);

    std::vector<double> times;
    for (int id = 1; id <= kMessages; ++id) {
        std::string answer =
            "RECEIVEMSGOK\r\n99\r\n1\r\n2026-12-08 15:04:05\r\nWiadomo\x9C\xE6 nr " +
            std::to_string(id) + ", zobacz http://www.brisko.pl/" + std::to_string(id);
        times.push_back(TimeAnswer(dlg, "RECEIVEMSG", answer, std::make_shared<int>(id)));
    }
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
    dlg.OnClose();
    app.ExitInstance();
    return 0;
}
