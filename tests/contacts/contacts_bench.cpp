// Benchmark, not a test: from the GETCONTACTS answer's WM_REQUEST_DONE to the
// filled tree, for a list of 400 contacts. ./brisko bench runs it.
#include "BriskoPCApp.h"
#include "BriskoPCDlg.h"
#include "ClientTest.h"
#include "Dialog.h"
#include "Messages.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string ContactList(int n) {
    std::string list = "CONTACTSOK\r\n";
    for (int i = 0; i < n; ++i)
        list += "Kontakt " + std::to_string(i) + ";+48600" + std::to_string(200000 + i) + ";" +
                std::to_string(i) + ";" + std::to_string(i % 5 - 1) + ";";
    return list;
}

} // namespace

int main() {
    CBriskoPCApp app;
    UseFreshProfile(app, "briskopc-contacts-bench", "127.0.0.1", 9);
    fw::DialogScript dialogs; // no stored password: the login dialog is declined
    if (!app.InitInstance())
        return 1;
    CBriskoPCDlg& dlg = *app.m_pMainDlg;
    StopTimers(dlg.m_hWnd);
    dlg.m_nSessionState = 2;

    const std::string list = ContactList(400);
    std::vector<double> times;
    for (int run = 0; run < 7; ++run) {
        dlg.m_contacts.RemoveAllContacts();
        times.push_back(TimeAnswer(dlg, "GETCONTACTS", list));
    }
    std::sort(times.begin(), times.end());
    std::printf("400 contacts (%zu bytes of answer) from WM_REQUEST_DONE to the filled tree: "
                "median %.1f ms, best %.1f ms, worst %.1f ms over %zu runs\n",
                list.size(), times[times.size() / 2], times.front(), times.back(), times.size());
    dlg.OnClose();
    app.ExitInstance();
    return 0;
}
