#include "ClientProcess.h"

#include "Files.h"

#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

Path ClientProfilePath() {
    return ClientDataFile("BriskoPC.ini");
}

void WriteClientProfileValue(const char* entry, const std::string& value) {
    ::WritePrivateProfileStringW(L"BriskoPC", Widen(entry).c_str(), Widen(value).c_str(),
                                 ClientProfilePath().c_str());
}

std::string ReadClientProfileValue(const char* entry, const char* absent) {
    wchar_t value[256] = L"";
    ::GetPrivateProfileStringW(L"BriskoPC", Widen(entry).c_str(), Widen(absent).c_str(), value,
                               static_cast<DWORD>(std::size(value)), ClientProfilePath().c_str());
    return Narrow(value);
}

void DeleteClientProfile() {
    ::DeleteFileW(ClientProfilePath().c_str());
}

void WriteClientProfile(int port, const std::string& login, const std::string& password) {
    DeleteClientProfile();
    ForgetHistory(ClientDataFolder());
    for (auto [entry, value] : {std::pair<const char*, std::string>{"ServiceHost", "localhost"},
                                {"ServicePort", std::to_string(port)},
                                {"Login", login},
                                {"Password", password}})
        WriteClientProfileValue(entry, value);
}

bool RunUnix(const std::string& commandLine, DWORD ms) {
    std::string command = "start.exe /wait /unix " + commandLine;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                          nullptr, nullptr, &si, &pi))
        return false;
    DWORD code = 1;
    bool done = ::WaitForSingleObject(pi.hProcess, ms) == WAIT_OBJECT_0 &&
                ::GetExitCodeProcess(pi.hProcess, &code) && code == 0;
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return done;
}

// WM_GETTEXT is carried across processes.
std::string RemoteText(HWND hWnd) {
    DWORD_PTR length = 0;
    if (!::SendMessageTimeoutW(hWnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length))
        return {};
    // Line ends may be counted once and given twice.
    std::wstring text(2 * length + 16, L'\0');
    DWORD_PTR copied = 0;
    if (!::SendMessageTimeoutW(hWnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]),
                               SMTO_ABORTIFHUNG, 2000, &copied))
        return {};
    text.resize(std::min<size_t>(copied, text.size()));
    return Narrow(text);
}

std::string DialogText(HWND hDlg) {
    std::string text;
    ::EnumChildWindows(
        hDlg,
        [](HWND child, LPARAM all) {
            char cls[16] = "";
            ::GetClassNameA(child, cls, sizeof cls);
            if (_stricmp(cls, "Button")) {
                std::string& t = *reinterpret_cast<std::string*>(all);
                std::string part = WindowText(child);
                if (!part.empty())
                    t += (t.empty() ? "" : "|") + part;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&text));
    return text;
}

bool WaitFor(const std::function<bool()>& done, DWORD ms, DWORD pollMs) {
    for (DWORD start = ::GetTickCount(); ::GetTickCount() - start < ms; ::Sleep(pollMs))
        if (done())
            return true;
    return done();
}

ClientProcess::~ClientProcess() {
    Close();
}

void ClientProcess::Close() {
    if (m_pi.hProcess)
        ::CloseHandle(m_pi.hProcess);
    m_pi = {};
    m_hMain = nullptr;
}

HANDLE Launch(const std::string& file, const std::string& parameters,
              const std::string& directory) {
    SHELLEXECUTEINFOA sei = {};
    sei.cbSize = sizeof sei;
    sei.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    sei.lpFile = file.c_str();
    sei.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
    sei.lpDirectory = directory.empty() ? nullptr : directory.c_str();
    sei.nShow = SW_SHOWNORMAL;
    return ::ShellExecuteExA(&sei) ? sei.hProcess : nullptr;
}

bool ClientProcess::Start(DWORD pollMs) {
    return Open(BesideThisProgram("BriskoPC.exe"), "", pollMs);
}

bool ClientProcess::Open(const std::string& file, const std::string& directory, DWORD pollMs) {
    Close();
    m_pi.hProcess = Launch(file, "", directory);
    if (!m_pi.hProcess)
        return false;
    m_pi.dwProcessId = ::GetProcessId(m_pi.hProcess);
    // The first start in a fresh prefix may take a while. Another client may
    // still be ending: the window must be this process's.
    return WaitFor(
        [this] {
            for (HWND w = nullptr; (w = ::FindWindowExA(nullptr, w, "BriskoPCClass", nullptr));) {
                DWORD pid = 0;
                m_pi.dwThreadId = ::GetWindowThreadProcessId(w, &pid);
                if (pid == m_pi.dwProcessId) {
                    m_hMain = w;
                    return true;
                }
            }
            return false;
        },
        10000, pollMs);
}

HWND ClientProcess::Child(int nId) const {
    HWND hChild = nullptr;
    WaitFor([&] { return (hChild = ::GetDlgItem(m_hMain, nId)) != nullptr; }, 5000);
    return hChild;
}

bool ClientProcess::Running() const {
    return m_pi.hProcess && ::WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT;
}

bool ClientProcess::Quit(DWORD ms) {
    if (::IsWindow(m_hMain))
        ::PostMessageA(m_hMain, WM_COMMAND, 8, 0);
    return m_pi.hProcess && ::WaitForSingleObject(m_pi.hProcess, ms) == WAIT_OBJECT_0;
}

void ClientProcess::Kill() {
    if (Running()) {
        ::TerminateProcess(m_pi.hProcess, 1);
        ::WaitForSingleObject(m_pi.hProcess, 5000);
    }
}

DWORD ClientProcess::ExitCode() const {
    DWORD code = STILL_ACTIVE;
    if (m_pi.hProcess)
        ::GetExitCodeProcess(m_pi.hProcess, &code);
    return code;
}

std::vector<HWND> ThreadDialogs(DWORD dwThreadId, bool bHiddenToo) {
    struct Search {
        bool bHiddenToo;
        std::vector<HWND> found;
    } search{bHiddenToo, {}};
    ::EnumThreadWindows(
        dwThreadId,
        [](HWND hWnd, LPARAM param) {
            auto& s = *reinterpret_cast<Search*>(param);
            char cls[16];
            if ((s.bHiddenToo || ::IsWindowVisible(hWnd)) &&
                ::GetClassNameA(hWnd, cls, sizeof cls) && !strcmp(cls, "#32770"))
                s.found.push_back(hWnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<HWND> ClientProcess::Dialogs() const {
    return Running() ? ThreadDialogs(m_pi.dwThreadId) : std::vector<HWND>();
}

std::vector<HWND> ClientProcess::AllDialogs() const {
    return Running() ? ThreadDialogs(m_pi.dwThreadId, true) : std::vector<HWND>();
}

HWND ClientProcess::WaitForDialog(const std::function<bool(HWND)>& has, DWORD ms) const {
    HWND found = nullptr;
    WaitFor(
        [&] {
            for (HWND w : Dialogs())
                if (has(w))
                    found = w;
            return found != nullptr;
        },
        ms);
    return found;
}

bool ShootScreen(const RECT& r, const std::string& png) {
    char geometry[64];
    std::snprintf(geometry, sizeof geometry, "%ldx%ld+%ld+%ld", r.right - r.left, r.bottom - r.top,
                  r.left, r.top);
    // Wine's start may return before the Unix program has ended: the picture
    // is taken once its file is there, whole.
    std::string file = "Z:" + png;
    std::replace(file.begin(), file.end(), '/', '\\');
    ::DeleteFileA(file.c_str());
    if (!RunUnix("/usr/bin/import -window root -crop " + std::string(geometry) + " +repage " + png,
                 20000))
        return false;
    LONGLONG last = -1;
    return WaitFor(
        [&] {
            WIN32_FILE_ATTRIBUTE_DATA data;
            LONGLONG size = ::GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &data)
                                ? (LONGLONG(data.nFileSizeHigh) << 32) | data.nFileSizeLow
                                : 0;
            bool whole = size > 0 && size == last;
            last = size;
            return whole;
        },
        20000);
}

bool ShootWindow(HWND hWnd, const std::string& png) {
    RECT r;
    if (!::GetWindowRect(hWnd, &r))
        return false;
    // What another thread or process has just changed is drawn first.
    ::RedrawWindow(hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    ::Sleep(500);
    return ShootScreen(r, png);
}

std::string ShotFile(const std::string& name) {
    const char* shots = std::getenv("BRISKO_SHOTS");
    const char* locale = std::getenv("BRISKO_LOCALE");
    if (!shots)
        return {};
    return std::string(shots) + "/" + name + (locale ? std::string("-") + locale : "") + ".png";
}

void Press(HWND window, int nID) {
    ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(nID, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(window, nID)));
}
