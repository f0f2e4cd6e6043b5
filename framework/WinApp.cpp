#include "WinApp.h"

#include "Dialog.h"

#include <shlobj.h>

#include <cstdio>

namespace {
CWinApp* g_app = nullptr;
}

CWinApp* AfxGetApp() {
    return g_app;
}

HINSTANCE AfxGetInstanceHandle() {
    return ::GetModuleHandleA(nullptr);
}

std::string AfxLoadString(UINT nID) {
    char text[1024];
    int n = ::LoadStringA(AfxGetInstanceHandle(), nID, text, sizeof text);
    return std::string(text, n > 0 ? n : 0);
}

CWinApp::CWinApp(const char* appName)
    : m_strAppName(appName), m_hInstance(AfxGetInstanceHandle()),
      m_strProfilePath(DataFolder(appName) + "\\" + appName + ".ini") {
    g_app = this;
}

CWinApp::~CWinApp() {
    if (g_app == this)
        g_app = nullptr;
}

std::string CWinApp::DataFolder(const char* appName) {
    char appData[MAX_PATH];
    if (FAILED(::SHGetFolderPathA(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, appData)))
        return ".";
    std::string folder = std::string(appData) + "\\" + appName;
    ::CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

int CWinApp::Run() {
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (PreTranslateMessage(&msg))
            continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    m_nExitCode = static_cast<int>(msg.wParam);
    return ExitInstance();
}

BOOL CWinApp::PreTranslateMessage(MSG* pMsg) {
    HWND root = pMsg->hwnd ? ::GetAncestor(pMsg->hwnd, GA_ROOT) : nullptr;
    return root && dynamic_cast<CDialog*>(CWnd::FromHandle(root)) && ::IsDialogMessageA(root, pMsg);
}

std::string CWinApp::GetProfileString(const char* section, const char* entry,
                                      const char* defaultValue) const {
    // Values are short (a number, a password, a host); grow once if one is not.
    std::string value(256, '\0');
    for (;;) {
        DWORD n =
            ::GetPrivateProfileStringA(section, entry, defaultValue, value.data(),
                                       static_cast<DWORD>(value.size()), m_strProfilePath.c_str());
        if (n + 1 < value.size() || value.size() >= 65536) {
            value.resize(n);
            return value;
        }
        value.resize(value.size() * 4);
    }
}

int CWinApp::GetProfileInt(const char* section, const char* entry, int defaultValue) const {
    return static_cast<int>(
        ::GetPrivateProfileIntA(section, entry, defaultValue, m_strProfilePath.c_str()));
}

BOOL CWinApp::WriteProfileString(const char* section, const char* entry, const char* value) {
    return ::WritePrivateProfileStringA(section, entry, value, m_strProfilePath.c_str());
}

BOOL CWinApp::WriteProfileInt(const char* section, const char* entry, int value) {
    return WriteProfileString(section, entry, std::to_string(value).c_str());
}

std::string LocalTimeText() {
    SYSTEMTIME t;
    ::GetLocalTime(&t);
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay,
                  t.wHour, t.wMinute, t.wSecond);
    return text;
}
