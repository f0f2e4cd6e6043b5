// Benchmark, not a test: from the GETCONTACTS answer's WM_REQUEST_DONE to the
// filled tree, for a list of 400 contacts, against the bare tree control
// calls it competes with: the same 400 labels and images inserted, in the
// list's order, into a tree of the same size and style, taken in turn.
// ./brisko bench runs it.
#include "BriskoPCApp.h"
#include "BriskoPCDlg.h"
#include "ClientTest.h"
#include "Dialog.h"
#include "Messages.h"

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

// Milliseconds for the n items under a new root of a bare tree like `like`.
double BareFill(const CTreeCtrl& like, int n) {
    RECT r;
    ::GetWindowRect(like.m_hWnd, &r);
    DWORD style = (::GetWindowLongA(like.m_hWnd, GWL_STYLE) & ~WS_CHILD) | WS_POPUP | WS_VISIBLE;
    HWND tree = ::CreateWindowExA(0, WC_TREEVIEWA, "", style, r.left, r.top, r.right - r.left,
                                  r.bottom - r.top, nullptr, nullptr, nullptr, nullptr);
    TreeView_SetImageList(tree, TreeView_GetImageList(like.m_hWnd, TVSIL_NORMAL), TVSIL_NORMAL);
    std::vector<std::string> labels;
    for (int i = 0; i < n; ++i)
        labels.push_back("Kontakt " + std::to_string(i));
    double start = NowMs();
    TVINSERTSTRUCTA item = {};
    item.hInsertAfter = TVI_LAST;
    item.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    item.item.pszText = const_cast<char*>("Kontakty");
    item.hParent = TreeView_InsertItem(tree, &item);
    ::SendMessageA(tree, WM_SETREDRAW, FALSE, 0);
    for (int i = 0; i < n; ++i) {
        item.item.pszText = labels[i].data();
        item.item.iImage = item.item.iSelectedImage = i % 5;
        item.item.lParam = 100 + i;
        TreeView_InsertItem(tree, &item);
    }
    ::SendMessageA(tree, WM_SETREDRAW, TRUE, 0);
    TreeView_Expand(tree, item.hParent, TVE_EXPAND);
    double ms = NowMs() - start;
    ::DestroyWindow(tree);
    return ms;
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

    const int n = 400;
    const std::string list = ContactList(n);
    std::vector<double> times, bare;
    for (int run = 0; run < 7; ++run) {
        dlg.m_contacts.RemoveAllContacts();
        times.push_back(TimeAnswer(dlg, "GETCONTACTS", list));
        bare.push_back(BareFill(dlg.m_wndTree, n));
    }
    PrintFigure("400 contacts (" + std::to_string(list.size()) +
                    " bytes of answer) from WM_REQUEST_DONE to the filled tree",
                Spread(times), "400 items inserted into a bare tree", Spread(bare),
                Median(times) / Median(bare), "<= 25 ms");
    dlg.OnClose();
    app.ExitInstance();
    return 0;
}
