// The modal dialog that downloads one file over HTTP(S) into a local file,
// showing the connection's steps, the progress, the time left and the rate.
// The transfer runs on a worker of its own that talks to WinInet
// synchronously and changes the dialog only through messages; the dialog
// thread only displays. It ends with IDOK once the whole file is written,
// with IDCANCEL when the user stopped it or it failed (the user was told why).
#pragma once

#include "Dialog.h"
#include "DownloadText.h"

#include <wininet.h>

#include <atomic>
#include <cstdint>
#include <string>

// Posted by the worker as its last act: wParam 0 finished or stopped, 1 failed.
const UINT WM_DOWNLOAD_DONE = WM_APP + 1;
// Posted by the worker when the whole percent changes: wParam the percent,
// lParam the bytes read.
const UINT WM_DOWNLOAD_PERCENT = WM_APP + 2;

class CHttpDownloadDlg : public CDialog {
public:
    explicit CHttpDownloadDlg(CWnd* pParent = nullptr);
    ~CHttpDownloadDlg() override;

    std::string m_strUrl;
    // Where the file goes: a path (UTF-8, see Text.h).
    std::string m_strTargetFile;
    std::string m_strProxyServer;
    // Preset credentials, tried once when asked for; the server's are also
    // given to the connection.
    std::string m_strProxyUserName;
    std::string m_strProxyPassword;
    std::string m_strUserName;
    std::string m_strPassword;
    // Empty: the application's title.
    std::string m_strUserAgent;
    // 0 the system's Internet settings, 1 direct, 2 through m_strProxyServer.
    int m_nConnectionType = 0;
    BOOL m_bAskReplace = TRUE;
    BOOL m_bPromptProxyCredentials = TRUE;
    BOOL m_bPromptServerCredentials = TRUE;
    // The highest average rate in bytes per millisecond; 0 is no limit.
    double m_dRateLimit = 0.0;
    // Where to resume the file; 0 fetches it whole.
    DWORD m_dwStartOffset = 0;

    BOOL OnInitDialog() override;
    void OnCancel() override;

protected:
    // The worker's steps and displays, in the worker's thread but for
    // ShowPercent and SetBarPosition, which run in the dialog's.
    struct Progress {
        DWORD dwStart = 0;
        DWORD dwLastUpdate = 0;
        uint64_t nRead = 0;
        uint64_t nReadAtLastUpdate = 0;
        int nLastPercent = 0;
        bool bSizeKnown = false;
        uint64_t nFileSize = 0;
    };
    virtual bool CanProceed() { return true; }
    // Code 0 takes the thread's last error.
    virtual void FailWithCode(UINT nIDText, DWORD dwCode);
    virtual void Fail(UINT nIDText);
    virtual void RunTransfer();
    virtual void ShowPercent(int nPercent);
    virtual void ShowTimeLeft(unsigned nSeconds, uint64_t nRead, uint64_t nFileSize);
    virtual void SetBarRange(uint64_t nFileSize);
    virtual void ShowStatus(UINT nIDText, const std::string& insert);
    virtual void ShowStatus(UINT nIDText);
    virtual void ShowStatus(const std::string& text);
    virtual void ShowRate(double dBytesPerMs);
    virtual void StartAnimation();
    virtual void SetBarPosition(uint64_t nRead);
    virtual void RefreshProgress(Progress& p);

    void OnInternetStatus(DWORD dwStatus, const void* pInfo, DWORD dwLength);

    DECLARE_MESSAGE_MAP()

private:
    static unsigned __stdcall DownloadThread(void* pParam);
    static void CALLBACK StatusCallback(HINTERNET hInternet, DWORD_PTR dwContext, DWORD dwStatus,
                                        LPVOID pInfo, DWORD dwLength);
    BOOL OpenTargetFile();
    void CloseTargetFile();
    // The answer is not the file: an authentication the user or the preset
    // credentials may answer. TRUE to send the request again.
    bool RetryAuthentication(DWORD dwStatus, bool& bPresetTried);
    void DiscardAnswer();
    void Stop();
    LRESULT OnTransferFinished(WPARAM wParam, LPARAM lParam);
    LRESULT OnPercent(WPARAM wParam, LPARAM lParam);
    BOOL OnCloseMessage(WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    void OnDestroy();
    // A box over the dialog, with the application's title.
    int Say(const std::string& text, UINT type = MB_OK);

    std::string m_strError;
    UrlParts m_url;
    std::string m_strFileName;
    HINTERNET m_hSession = nullptr;
    HINTERNET m_hConnection = nullptr;
    HINTERNET m_hRequest = nullptr;
    // Written by the dialog thread, read by the worker between its steps.
    std::atomic<bool> m_bAbort{false};
    bool m_bSafeToClose = false;
    HANDLE m_hFile = INVALID_HANDLE_VALUE;
    HANDLE m_hWorker = nullptr;
};
