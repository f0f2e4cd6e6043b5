// The version check after each login: a newer (or any other) version of the
// client that the service names is offered, downloaded and started.
#include "BriskoPCDlg.h"
#include "FileDialog.h"
#include "HttpDownloadDlg.h"
#include "MessageBox.h"
#include "VersionAnswer.h"

#include <shellapi.h>

void CBriskoPCDlg::SendVersion() {
    if (IsSessionUp())
        QueueRequest("VERSION", "briskopc.asp?function=VERSION");
}

void CBriskoPCDlg::OnVersionResponse(HttpRequest& request) {
    std::optional<std::string> version = OfferedVersion(request.pszResponse.get());
    // An offer answered right now is the one answer to this one too.
    if (!version || *version == m_strVersion || m_bOfferingUpdate)
        return;
    m_bUpdateOffered = TRUE;
    OfferUpdate();
}

// Asked once an offer stands, nobody is asked it already and the client is
// not locked: a locked client shows no file dialog to whoever sits at it, and
// asks after the unlock instead.
void CBriskoPCDlg::OfferUpdate() {
    if (!m_bUpdateOffered || m_bOfferingUpdate || m_bLocked)
        return;
    m_bUpdateOffered = FALSE;
    m_bOfferingUpdate = TRUE;
    const std::string path = DownloadUpdate();
    m_bOfferingUpdate = FALSE;
    // The window may have ended meanwhile (the user quit from the tray).
    if (path.empty() || !m_hWnd)
        return;
    AfxMessageBox("Nowa wersja została pobrana i zapisana jako " + fw::ShownPath(path));
    if (!fw::ShellOpen(nullptr, fw::PathW(path))) {
        AfxMessageBox("Nie udało się uruchomić instalatora. Możesz uruchomić go sam: " +
                      fw::ShownPath(path));
        return;
    }
    // The installer replaces this program, which must end for it.
    DestroyWindow();
}

// The saved installer's path once it is here whole; empty when the user
// declined, cancelled or the download failed (the dialog said why).
std::string CBriskoPCDlg::DownloadUpdate() {
    if (AfxMessageBox("Pojawiła się nowa wersja BriskoPC, czy pobrać ją z serwera?", MB_YESNO) !=
            IDYES ||
        !m_hWnd)
        return {};
    CFileDialog save(FALSE, nullptr, "setup.exe",
                     OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST,
                     "All Files (*.*)|*.*||", this);
    if (save.DoModal() != IDOK || !m_hWnd)
        return {};
    CHttpDownloadDlg download;
    download.m_strUrl = ServiceUrl("/briskopc/setup.exe");
    download.m_strTargetFile = save.GetPathName();
    if (download.DoModal() != IDOK)
        return {};
    return download.m_strTargetFile;
}
