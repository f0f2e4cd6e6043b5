#include "ClientTest.h"

#include "BriskoPCDlg.h"
#include "Files.h"
#include "Messages.h"

#include <cstring>

void UseFreshProfile(CWinApp& app, const char* name, const char* host, int port) {
    std::string profile = ScratchPath((name + std::string(".ini")).c_str());
    ::DeleteFileA(profile.c_str());
    ForgetHistory(ClientDataFolder());
    app.SetProfilePath(profile);
    app.WriteProfileString("BriskoPC", "ServiceHost", host);
    app.WriteProfileInt("BriskoPC", "ServicePort", port);
}

void UseAccountProfile(CWinApp& app, const char* name, int port, const char* login) {
    UseFreshProfile(app, name, "localhost", port);
    app.WriteProfileString("BriskoPC", "Login", login);
    app.WriteProfileString("BriskoPC", "Password", "haslo123");
}

namespace {
bool StartOnThisProfile(CBriskoPCApp& app) {
    if (!app.InitInstance())
        return false;
    StopTimers(app.m_pMainDlg->m_hWnd);
    app.m_pMainDlg->OnTimer(1);
    return Settle(*app.m_pMainDlg) && app.m_pMainDlg->m_nSessionState == 2;
}
} // namespace

bool StartLoggedIn(CBriskoPCApp& app, const char* name, int port, const char* login) {
    UseAccountProfile(app, name, port, login);
    return StartOnThisProfile(app);
}

bool StartAgain(CBriskoPCApp& app, fw::MessageBoxScript* boxes) {
    EndClient(app, boxes);
    return StartOnThisProfile(app);
}

bool Settle(CBriskoPCDlg& dlg) {
    Pump(30);
    // A handler may start the next request as its own ends, and a worker tells
    // of its request only once it runs, later on a busy machine: idle is idle
    // for a while.
    return PumpUntil([&dlg] {
        if (dlg.m_nThreads != 0)
            return false;
        Pump(50);
        return dlg.m_nThreads == 0;
    });
}

void EndClient(CBriskoPCApp& app, fw::MessageBoxScript* boxes) {
    if (app.m_pMainDlg && ::IsWindow(app.m_pMainDlg->m_hWnd)) {
        if (boxes)
            boxes->Answer(IDYES);
        app.m_pMainDlg->OnClose();
    }
    Pump(50);
    app.ExitInstance();
}

void Pump(DWORD ms) {
    DWORD start = ::GetTickCount();
    MSG msg;
    do {
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (CWinApp::PreTranslateMessage(&msg))
                continue;
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        ::Sleep(5);
    } while (::GetTickCount() - start < ms);
}

bool PumpUntil(const std::function<bool()>& done, DWORD ms) {
    for (DWORD start = ::GetTickCount(); !done(); Pump(20))
        if (::GetTickCount() - start > ms)
            return false;
    return true;
}

void StopTimers(HWND hWnd) {
    ::KillTimer(hWnd, 1);
    ::KillTimer(hWnd, 2);
}

std::vector<std::string> ChildLabels(const CTreeCtrl& tree, HTREEITEM hParent) {
    std::vector<std::string> labels;
    for (HTREEITEM item = tree.GetChildItem(hParent); item; item = tree.GetNextSiblingItem(item))
        labels.push_back(TreeItemText(tree.m_hWnd, item));
    return labels;
}

std::vector<std::string> MenuTexts(HMENU menu) {
    std::vector<std::string> texts;
    for (int i = 0; i < ::GetMenuItemCount(menu); ++i)
        texts.push_back(MenuItemText(menu, static_cast<UINT>(i)));
    return texts;
}

HICON TrayImage(UINT nIDResource) {
    return static_cast<HICON>(
        ::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(nIDResource), IMAGE_ICON,
                     ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), LR_SHARED));
}

bool ClickTreeItem(HWND hTopLevel, HWND hTree, HTREEITEM item, bool right, int drift) {
    ::SetWindowPos(hTopLevel, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    ::SetForegroundWindow(hTopLevel);
    TreeView_EnsureVisible(hTree, item);
    RECT r;
    if (!TreeView_GetItemRect(hTree, item, &r, TRUE))
        return false;
    POINT pt = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ::ClientToScreen(hTree, &pt);
    // Another window may still cover the item.
    if (!PumpUntil([&] { return ::WindowFromPoint(pt) == hTree; }, 3000) ||
        !::SetCursorPos(pt.x, pt.y))
        return false;
    // The motion of the warp must not reach the tree in the middle of the click.
    Pump(100);
    INPUT in[3] = {};
    in[0].type = in[1].type = in[2].type = INPUT_MOUSE;
    // To a point, not by a distance: a relative move would be scaled by the
    // pointer's acceleration. The press carries its point too: under load the
    // X server may report a motion from before the warp after it, and a press
    // without one would land on the item clicked before.
    for (int i : {0, 1}) {
        in[i].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        in[i].mi.dx = ::MulDiv(pt.x + i * drift, 65535, ::GetSystemMetrics(SM_CXSCREEN) - 1);
        in[i].mi.dy = ::MulDiv(pt.y, 65535, ::GetSystemMetrics(SM_CYSCREEN) - 1);
    }
    in[0].mi.dwFlags |= right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
    in[2].mi.dwFlags = right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
    if (::SendInput(3, in, sizeof(INPUT)) != 3)
        return false;
    // A loaded machine may take a while to get through the click: it is
    // handled once the queue holds no input, then what it started runs.
    PumpUntil([] { return HIWORD(::GetQueueStatus(QS_INPUT)) == 0; }, 10000);
    Pump(300);
    return true;
}

HttpRequest* AnsweredRequest(CBriskoPCDlg& dlg, const char* function, const std::string& answer) {
    auto* request = new HttpRequest;
    request->pChannel = dlg.m_pRequests;
    request->szFunction = function;
    request->nLogin = dlg.m_nLoginSerial;
    request->pszResponse.reset(new char[answer.size() + 1]);
    std::memcpy(request->pszResponse.get(), answer.c_str(), answer.size() + 1);
    return request;
}

double TimeAnswer(CBriskoPCDlg& dlg, const char* function, const std::string& answer,
                  std::shared_ptr<int> context) {
    HttpRequest* request = AnsweredRequest(dlg, function, answer);
    request->dwContext = context.get();
    request->pOwnedContext = std::move(context);
    ++dlg.m_nThreads;
    double start = NowMs();
    ::SendMessageA(dlg.m_hWnd, WM_REQUEST_DONE, 0, reinterpret_cast<LPARAM>(request));
    return NowMs() - start;
}
