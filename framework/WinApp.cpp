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
    return ::GetModuleHandleW(nullptr);
}

std::string AfxLoadString(UINT nID) {
    // The table holds UTF-16: read as such, it needs no code page but ours.
    const wchar_t* text = nullptr;
    int n = ::LoadStringW(AfxGetInstanceHandle(), nID, reinterpret_cast<wchar_t*>(&text), 0);
    return n > 0 && text ? fw::Cp1250(std::wstring_view(text, n)) : std::string();
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
    wchar_t appData[MAX_PATH];
    if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, appData)))
        return ".";
    std::string folder = fw::PathText(appData) + "\\" + appName;
    ::CreateDirectoryW(fw::PathW(folder).c_str(), nullptr);
    return folder;
}

int CWinApp::Run() {
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (PreTranslateMessage(&msg))
            continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    m_nExitCode = static_cast<int>(msg.wParam);
    return ExitInstance();
}

BOOL CWinApp::PreTranslateMessage(MSG* pMsg) {
    HWND root = pMsg->hwnd ? ::GetAncestor(pMsg->hwnd, GA_ROOT) : nullptr;
    return root && dynamic_cast<CDialog*>(CWnd::FromHandle(root)) && ::IsDialogMessageW(root, pMsg);
}

// Section, entry and every value the program writes are ASCII (names, numbers,
// the hex of the protected password), so the file's bytes are the same whatever
// code page the system writes it in; the path is the user's, so it goes wide.
std::string CWinApp::GetProfileString(const char* section, const char* entry,
                                      const char* defaultValue) const {
    const std::wstring path = fw::PathW(m_strProfilePath);
    // Values are short (a number, a password, a host); grow once if one is not.
    std::wstring value(256, L'\0');
    for (;;) {
        DWORD n = ::GetPrivateProfileStringW(fw::Wide(section).c_str(), fw::Wide(entry).c_str(),
                                             fw::Wide(defaultValue).c_str(), value.data(),
                                             static_cast<DWORD>(value.size()), path.c_str());
        if (n + 1 < value.size() || value.size() >= 65536) {
            value.resize(n);
            return fw::Cp1250(value);
        }
        value.resize(value.size() * 4);
    }
}

int CWinApp::GetProfileInt(const char* section, const char* entry, int defaultValue) const {
    return static_cast<int>(::GetPrivateProfileIntW(fw::Wide(section).c_str(),
                                                    fw::Wide(entry).c_str(), defaultValue,
                                                    fw::PathW(m_strProfilePath).c_str()));
}

BOOL CWinApp::WriteProfileString(const char* section, const char* entry, const char* value) {
    return ::WritePrivateProfileStringW(fw::Wide(section).c_str(), fw::Wide(entry).c_str(),
                                        value ? fw::Wide(value).c_str() : nullptr,
                                        fw::PathW(m_strProfilePath).c_str());
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
