#include "HttpDownloadDlg.h"

#include "HandleCounts.h"
#include "MessageBox.h"
#include "WinApp.h"
#include "resource.h"

#include <commctrl.h>
#include <process.h>

#include <cstdlib>

namespace {

const DWORD kPiece = 1024;
const size_t kBatch = 64 * 1024;
// Bounds every connect, send and read, so that a stalled server cannot keep
// the dialog from ending.
const DWORD kTimeout = 15000;
const DWORD kRefreshMs = 1000;

// A header's value as text; false when the answer has none.
bool QueryText(HINTERNET hRequest, DWORD dwInfo, std::string& value) {
    char text[32] = "";
    DWORD size = sizeof text;
    if (!::HttpQueryInfoA(hRequest, dwInfo, text, &size, nullptr))
        return false;
    value.assign(text, size);
    return true;
}

} // namespace

BEGIN_MESSAGE_MAP(CHttpDownloadDlg, CDialog)
ON_MESSAGE(WM_DOWNLOAD_DONE, OnTransferFinished)
ON_MESSAGE(WM_DOWNLOAD_PERCENT, OnPercent)
ON_MESSAGE_OR_DEFAULT(WM_CLOSE, OnCloseMessage)
ON_MESSAGE_VOID(WM_DESTROY, OnDestroy)
END_MESSAGE_MAP()

CHttpDownloadDlg::CHttpDownloadDlg(CWnd* pParent) : CDialog(IDD_DOWNLOAD, pParent) {}

CHttpDownloadDlg::~CHttpDownloadDlg() {
    CloseTargetFile();
}

void CHttpDownloadDlg::CloseTargetFile() {
    if (m_hFile != INVALID_HANDLE_VALUE) {
        ::CloseHandle(m_hFile);
        fw::Closed(fw::kFiles);
    }
    m_hFile = INVALID_HANDLE_VALUE;
}

int CHttpDownloadDlg::Say(const std::string& text, UINT type) {
    return MessageBoxFor(m_hWnd, text, AfxGetApp()->m_strAppName, type);
}

BOOL CHttpDownloadDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    Animate_OpenEx(GetDlgItem(IDC_DOWNLOAD_ANIMATION), AfxGetInstanceHandle(),
                   MAKEINTRESOURCEA(IDR_DOWNLOAD_AVI));

    if (!ParseUrl(m_strUrl, m_url) && !ParseUrl("http://" + m_strUrl, m_url)) {
        EndDialog(IDCANCEL);
        return TRUE;
    }
    if (!OpenTargetFile()) {
        EndDialog(IDCANCEL);
        return TRUE;
    }
    m_strFileName = FileNameOf(m_url.object);
    fw::SetControlText(m_hWnd, IDC_DOWNLOAD_FILE,
                       FormatInserts(AfxLoadString(IDS_FILE_FROM), {m_strFileName, m_url.server}));

    m_hWorker = reinterpret_cast<HANDLE>(
        ::_beginthreadex(nullptr, 0, DownloadThread, this, CREATE_SUSPENDED, nullptr));
    if (!m_hWorker) {
        EndDialog(IDCANCEL);
        return TRUE;
    }
    ::ResumeThread(m_hWorker);
    return TRUE;
}

BOOL CHttpDownloadDlg::OpenTargetFile() {
    const std::wstring path = fw::PathW(m_strTargetFile);
    const bool exists = ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (exists && m_dwStartOffset == 0 && m_bAskReplace &&
        Say(FormatInserts(AfxLoadString(IDS_REPLACE_FILE), {fw::ShownPath(m_strTargetFile)}),
            MB_YESNO) != IDYES)
        return FALSE;
    // Others may read the file meanwhile, not write it.
    m_hFile =
        fw::Opened(fw::kFiles,
                   ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                 exists && m_dwStartOffset > 0 ? OPEN_EXISTING : CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr),
                   INVALID_HANDLE_VALUE);
    if (m_hFile == INVALID_HANDLE_VALUE) {
        Say(FormatInserts(AfxLoadString(IDS_OPEN_FILE_ERROR), {std::to_string(::GetLastError())}));
        return FALSE;
    }
    LARGE_INTEGER zero{};
    if (!::SetFilePointerEx(m_hFile, zero, nullptr, FILE_END)) {
        Say(FormatInserts(AfxLoadString(IDS_SEEK_ERROR), {std::to_string(::GetLastError())}));
        return FALSE;
    }
    return TRUE;
}

unsigned __stdcall CHttpDownloadDlg::DownloadThread(void* pParam) {
    static_cast<CHttpDownloadDlg*>(pParam)->RunTransfer();
    return 0;
}

void CALLBACK CHttpDownloadDlg::StatusCallback(HINTERNET, DWORD_PTR dwContext, DWORD dwStatus,
                                               LPVOID pInfo, DWORD dwLength) {
    // The session's own events carry no dialog.
    if (dwContext)
        reinterpret_cast<CHttpDownloadDlg*>(dwContext)->OnInternetStatus(dwStatus, pInfo, dwLength);
}

void CHttpDownloadDlg::OnInternetStatus(DWORD dwStatus, const void* pInfo, DWORD dwLength) {
    UINT nID = 0;
    switch (dwStatus) {
    case INTERNET_STATUS_RESOLVING_NAME:
        nID = IDS_RESOLVING_NAME;
        break;
    case INTERNET_STATUS_NAME_RESOLVED:
        nID = IDS_RESOLVED_NAME;
        break;
    case INTERNET_STATUS_CONNECTING_TO_SERVER:
        nID = IDS_CONNECTING_TO;
        break;
    case INTERNET_STATUS_CONNECTED_TO_SERVER:
        nID = IDS_CONNECTED_TO;
        break;
    case INTERNET_STATUS_REDIRECT:
        nID = IDS_REDIRECTING_TO;
        break;
    default:
        return;
    }
    // The information is a text of at most dwLength bytes, not always ended.
    const char* text = static_cast<const char*>(pInfo);
    std::string insert;
    for (DWORD i = 0; text && i < dwLength && text[i]; ++i)
        insert += text[i];
    ShowStatus(nID, insert);
}

void CHttpDownloadDlg::Stop() {
    ::PostMessageA(m_hWnd, WM_DOWNLOAD_DONE, 0, 0);
}

void CHttpDownloadDlg::RunTransfer() {
    static const DWORD kAccess[] = {INTERNET_OPEN_TYPE_PRECONFIG, INTERNET_OPEN_TYPE_DIRECT,
                                    INTERNET_OPEN_TYPE_PROXY};
    if (m_nConnectionType < 0 || m_nConnectionType > 2)
        return FailWithCode(IDS_DOWNLOAD_ERROR, ERROR_INVALID_PARAMETER);
    const std::string agent = m_strUserAgent.empty() ? AfxGetApp()->m_strAppName : m_strUserAgent;
    const bool proxy = m_nConnectionType == 2;
    m_hSession =
        fw::Opened(fw::kInternetHandles,
                   ::InternetOpenA(agent.c_str(), kAccess[m_nConnectionType],
                                   proxy ? m_strProxyServer.c_str() : nullptr, nullptr, 0));
    if (!m_hSession)
        return FailWithCode(IDS_DOWNLOAD_ERROR, 0);
    if (m_bAbort)
        return Stop();
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                         INTERNET_OPTION_RECEIVE_TIMEOUT}) {
        DWORD timeout = kTimeout;
        ::InternetSetOptionA(m_hSession, option, &timeout, sizeof timeout);
    }
    if (::InternetSetStatusCallbackA(m_hSession, StatusCallback) ==
        INTERNET_INVALID_STATUS_CALLBACK)
        return FailWithCode(IDS_DOWNLOAD_ERROR, 0);
    if (m_bAbort)
        return Stop();

    const DWORD_PTR context = reinterpret_cast<DWORD_PTR>(this);
    const bool credentials = !m_strUserName.empty();
    m_hConnection = fw::Opened(fw::kInternetHandles,
                               ::InternetConnectA(m_hSession, m_url.server.c_str(), m_url.port,
                                                  credentials ? m_strUserName.c_str() : nullptr,
                                                  credentials ? m_strPassword.c_str() : nullptr,
                                                  INTERNET_SERVICE_HTTP, 0, context));
    if (!m_hConnection)
        return FailWithCode(IDS_CONNECT_ERROR, 0);
    if (m_bAbort)
        return Stop();
    CanProceed();
    StartAnimation();

    // TLS follows the scheme, and the server's certificate must hold: the
    // file is run once it is here.
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                  INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_PRAGMA_NOCACHE;
    if (m_url.Secure())
        flags |= INTERNET_FLAG_SECURE;
    const char* accept[] = {"*/*", nullptr};
    m_hRequest = fw::Opened(fw::kInternetHandles,
                            ::HttpOpenRequestA(m_hConnection, "GET", m_url.object.c_str(),
                                               "HTTP/1.1", nullptr, accept, flags, context));
    if (!m_hRequest)
        return FailWithCode(IDS_CONNECT_ERROR, 0);
    if (m_bAbort)
        return Stop();

    const std::string range =
        m_dwStartOffset > 0 ? "Range: bytes=" + std::to_string(m_dwStartOffset) + "-\r\n" : "";
    DWORD status = 0;
    bool presetTried = false;
    do {
        if (!::HttpSendRequestA(m_hRequest, range.empty() ? nullptr : range.c_str(),
                                static_cast<DWORD>(range.size()), nullptr, 0))
            return FailWithCode(IDS_CONNECT_ERROR, 0);
        std::string statusText;
        if (!QueryText(m_hRequest, HTTP_QUERY_STATUS_CODE, statusText))
            return Fail(IDS_NO_RESPONSE);
        status = static_cast<DWORD>(std::strtoul(statusText.c_str(), nullptr, 10));
    } while ((status == HTTP_STATUS_DENIED || status == HTTP_STATUS_PROXY_AUTH_REQ) &&
             RetryAuthentication(status, presetTried));
    if (m_bAbort)
        return Stop();
    if (status != HTTP_STATUS_OK && status != HTTP_STATUS_PARTIAL_CONTENT)
        return FailWithCode(IDS_NO_HTTP_RESPONSE, status);
    // A server that ignored the range sends the whole file: it replaces the
    // part already here, or the file would hold its beginning twice.
    if (m_dwStartOffset > 0 && status == HTTP_STATUS_OK) {
        LARGE_INTEGER zero{};
        if (!::SetFilePointerEx(m_hFile, zero, nullptr, FILE_BEGIN) || !::SetEndOfFile(m_hFile))
            return FailWithCode(IDS_TRANSFER_ERROR, 0);
    }

    ShowStatus(IDS_GETTING_FILE_INFO);
    Progress p;
    std::string length;
    if (QueryText(m_hRequest, HTTP_QUERY_CONTENT_LENGTH, length)) {
        p.bSizeKnown = true;
        p.nFileSize = std::strtoull(length.c_str(), nullptr, 10);
        SetBarRange(p.nFileSize);
    }

    ShowStatus(IDS_RETRIEVING_FILE);
    p.dwStart = p.dwLastUpdate = ::GetTickCount();
    // Pieces are written in batches: a write per piece costs the transfer
    // as much again as the reading.
    std::string batch;
    batch.reserve(kBatch + kPiece);
    auto flush = [this, &batch] {
        DWORD written = 0;
        const DWORD size = static_cast<DWORD>(batch.size());
        const bool done = !size || (::WriteFile(m_hFile, batch.data(), size, &written, nullptr) &&
                                    written == size);
        batch.clear();
        return done;
    };
    char piece[kPiece];
    DWORD got = 0;
    do {
        if (!::InternetReadFile(m_hRequest, piece, kPiece, &got))
            return FailWithCode(IDS_TRANSFER_ERROR, 0);
        if (got && !m_bAbort) {
            batch.append(piece, got);
            if (batch.size() >= kBatch && !flush())
                return FailWithCode(IDS_TRANSFER_ERROR, 0);
        }
        if (DWORD delay = ThrottleDelayMs(p.nRead, ::GetTickCount() - p.dwStart, m_dRateLimit))
            ::Sleep(delay);
        p.nRead += got;
        RefreshProgress(p);
    } while (got && !m_bAbort);
    if (!flush())
        return FailWithCode(IDS_TRANSFER_ERROR, 0);
    // An answer that ends before its length is a broken transfer, not a file.
    if (!m_bAbort && p.bSizeKnown && p.nRead < p.nFileSize)
        return FailWithCode(IDS_TRANSFER_ERROR, ERROR_INTERNET_CONNECTION_RESET);

    CloseTargetFile();
    Stop();
}

void CHttpDownloadDlg::DiscardAnswer() {
    char rest[50];
    DWORD got = 0;
    while (::InternetReadFile(m_hRequest, rest, sizeof rest, &got) && got)
        ;
}

bool CHttpDownloadDlg::RetryAuthentication(DWORD dwStatus, bool& bPresetTried) {
    DiscardAnswer();
    const bool server = dwStatus == HTTP_STATUS_DENIED;
    const std::string& user = server ? m_strUserName : m_strProxyUserName;
    if (!user.empty()) {
        // Preset credentials are tried once: asked again, they are wrong.
        if (bPresetTried)
            return false;
        bPresetTried = true;
        const std::string& password = server ? m_strPassword : m_strProxyPassword;
        ::InternetSetOptionA(m_hRequest,
                             server ? INTERNET_OPTION_USERNAME : INTERNET_OPTION_PROXY_USERNAME,
                             const_cast<char*>(user.c_str()), static_cast<DWORD>(user.size()));
        ::InternetSetOptionA(
            m_hRequest, server ? INTERNET_OPTION_PASSWORD : INTERNET_OPTION_PROXY_PASSWORD,
            const_cast<char*>(password.c_str()), static_cast<DWORD>(password.size()));
        return true;
    }
    if (!(server ? m_bPromptServerCredentials : m_bPromptProxyCredentials))
        return false;
    return ::InternetErrorDlg(m_hWnd, m_hRequest, ERROR_INTERNET_INCORRECT_PASSWORD,
                              FLAGS_ERROR_UI_FILTER_FOR_ERRORS |
                                  FLAGS_ERROR_UI_FLAGS_CHANGE_OPTIONS |
                                  FLAGS_ERROR_UI_FLAGS_GENERATE_DATA,
                              nullptr) == ERROR_INTERNET_FORCE_RETRY;
}

void CHttpDownloadDlg::RefreshProgress(Progress& p) {
    if (p.bSizeKnown) {
        const int percent = PercentOf(p.nRead, p.nFileSize);
        // Posted, not sent: a caption waits for the window manager, and the
        // transfer need not wait with it.
        if (percent != p.nLastPercent) {
            ::PostMessageA(m_hWnd, WM_DOWNLOAD_PERCENT, static_cast<WPARAM>(percent),
                           static_cast<LPARAM>(p.nRead));
            p.nLastPercent = percent;
        }
    }
    const DWORD now = ::GetTickCount();
    const DWORD elapsed = now - p.dwLastUpdate;
    if (elapsed <= kRefreshMs)
        return;
    ShowRate(static_cast<double>(p.nRead - p.nReadAtLastUpdate) / elapsed);
    p.dwLastUpdate = now;
    p.nReadAtLastUpdate = p.nRead;
    if (p.bSizeKnown && p.nRead != 0)
        ShowTimeLeft(SecondsLeft(now - p.dwStart, p.nRead, p.nFileSize), p.nRead, p.nFileSize);
}

void CHttpDownloadDlg::FailWithCode(UINT nIDText, DWORD dwCode) {
    if (dwCode == 0)
        dwCode = ::GetLastError();
    m_strError = FormatInserts(AfxLoadString(nIDText), {std::to_string(dwCode)});
    CloseTargetFile();
    // Stopped by the user, the part received stays, whatever the last read did.
    if (!m_bAbort)
        ::DeleteFileW(fw::PathW(m_strTargetFile).c_str());
    ::PostMessageA(m_hWnd, WM_DOWNLOAD_DONE, 1, 0);
}

void CHttpDownloadDlg::Fail(UINT nIDText) {
    m_strError = AfxLoadString(nIDText);
    ::PostMessageA(m_hWnd, WM_DOWNLOAD_DONE, 1, 0);
}

LRESULT CHttpDownloadDlg::OnPercent(WPARAM wParam, LPARAM lParam) {
    ShowPercent(static_cast<int>(wParam));
    SetBarPosition(static_cast<uint64_t>(lParam));
    return 0;
}

void CHttpDownloadDlg::ShowPercent(int nPercent) {
    SetWindowText(PercentCaption(AfxLoadString, nPercent, m_strFileName));
}

void CHttpDownloadDlg::ShowTimeLeft(unsigned nSeconds, uint64_t nRead, uint64_t nFileSize) {
    fw::SetControlText(m_hWnd, IDC_DOWNLOAD_TIME_LEFT,
                       TimeLeftText(AfxLoadString, nSeconds, nRead, nFileSize));
}

void CHttpDownloadDlg::SetBarRange(uint64_t nFileSize) {
    ::SendDlgItemMessageA(m_hWnd, IDC_DOWNLOAD_PROGRESS, PBM_SETRANGE32, 0, BarRange(nFileSize));
}

void CHttpDownloadDlg::SetBarPosition(uint64_t nRead) {
    ::SendDlgItemMessageA(m_hWnd, IDC_DOWNLOAD_PROGRESS, PBM_SETPOS, BarPosition(nRead), 0);
}

void CHttpDownloadDlg::ShowStatus(UINT nIDText, const std::string& insert) {
    ShowStatus(FormatInserts(AfxLoadString(nIDText), {insert}));
}

void CHttpDownloadDlg::ShowStatus(UINT nIDText) {
    ShowStatus(AfxLoadString(nIDText));
}

void CHttpDownloadDlg::ShowStatus(const std::string& text) {
    fw::SetControlText(m_hWnd, IDC_DOWNLOAD_STATUS, text);
}

void CHttpDownloadDlg::ShowRate(double dBytesPerMs) {
    fw::SetControlText(m_hWnd, IDC_DOWNLOAD_RATE, RateText(AfxLoadString, dBytesPerMs));
}

void CHttpDownloadDlg::StartAnimation() {
    Animate_Play(GetDlgItem(IDC_DOWNLOAD_ANIMATION), 0, -1, -1);
}

LRESULT CHttpDownloadDlg::OnTransferFinished(WPARAM wParam, LPARAM) {
    m_bSafeToClose = true;
    Animate_Stop(GetDlgItem(IDC_DOWNLOAD_ANIMATION));
    if (m_bAbort) {
        EndDialog(IDCANCEL);
    } else if (wParam == 0) {
        EndDialog(IDOK);
    } else {
        Say(m_strError);
        EndDialog(IDCANCEL);
    }
    return 0;
}

void CHttpDownloadDlg::OnCancel() {
    m_bAbort = true;
    ::EnableWindow(GetDlgItem(IDCANCEL), FALSE);
    ShowStatus(IDS_ABORTING);
}

// The title bar's close button stops the transfer as Cancel does; the dialog
// ends when the worker has.
BOOL CHttpDownloadDlg::OnCloseMessage(WPARAM, LPARAM, LRESULT* pResult) {
    if (m_bSafeToClose)
        return FALSE;
    OnCancel();
    *pResult = 0;
    return TRUE;
}

void CHttpDownloadDlg::OnDestroy() {
    if (m_hWorker) {
        // Ended from outside (the program quits) before the worker reported:
        // it stops at its next step. Until then it may still send its texts to
        // this thread, which must take them.
        m_bAbort = true;
        while (::MsgWaitForMultipleObjects(1, &m_hWorker, FALSE, INFINITE, QS_SENDMESSAGE) ==
               WAIT_OBJECT_0 + 1) {
            MSG msg;
            ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
        ::CloseHandle(m_hWorker);
        m_hWorker = nullptr;
    }
    if (m_hSession)
        ::InternetSetStatusCallbackA(m_hSession, nullptr);
    for (HINTERNET* handle : {&m_hRequest, &m_hConnection, &m_hSession})
        if (*handle) {
            ::InternetCloseHandle(*handle);
            fw::Closed(fw::kInternetHandles);
            *handle = nullptr;
        }
}
