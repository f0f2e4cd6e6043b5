// The tree's groups, the connection lines under "Połączenie" and the status line.
#include "BriskoPCDlg.h"

#include "HandleCounts.h"
#include "StatusText.h"
#include "Tarnix.h"
#include "WinApp.h"
#include "resource.h"

#include <iterator>

namespace {
// The tree's images, in the order of their indexes.
const UINT kTreeIcons[] = {IDI_TREE_CONNECTION,
                           IDI_TREE_CONTACTS,
                           IDI_TREE_MESSAGE,
                           IDI_TREE_AVAILABLE,
                           IDI_TREE_SERVICE,
                           IDI_TREE_LOGGED_OFF,
                           IDI_TREE_NOT_USER,
                           IDI_TREE_NEW_MESSAGE,
                           IDI_TREE_MESSAGE,
                           IDI_TREE_REPORT,
                           IDI_TREE_REPORT_AVAILABLE,
                           IDI_TREE_REPORT_NOT_USER,
                           IDI_TREE_REPORT_LOGGED_OFF,
                           IDI_TREE_NEW_MESSAGE_LOGGED_OFF,
                           IDI_TREE_BUSY,
                           IDI_TREE_OUTBOX_EMPTY,
                           IDI_TREE_SYSTEM,
                           IDI_TREE_AWAY};

enum GroupImage { IMAGE_CONNECTION = 0, IMAGE_CONTACTS = 1, IMAGE_SERVICE = 4, IMAGE_OUTBOX = 15 };

} // namespace

void CBriskoPCDlg::BuildTree() {
    m_wndTree.Attach(GetDlgItem(IDC_TREE));
    m_imageList =
        fw::Opened(fw::kGdiObjects, ImageList_Create(16, 16, ILC_COLOR16,
                                                     static_cast<int>(std::size(kTreeIcons)), 20));
    for (UINT id : kTreeIcons) {
        auto icon = static_cast<HICON>(::LoadImageW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(id),
                                                    IMAGE_ICON, 16, 16, LR_SHARED));
        ImageList_AddIcon(m_imageList, icon);
    }
    TreeView_SetImageList(m_wndTree, m_imageList, TVSIL_NORMAL);

    // "Skrzynka Nadawcza" carries 2: its context menu goes by it.
    HTREEITEM contacts = m_wndTree.InsertItem("Kontakty", IMAGE_CONTACTS, TVI_ROOT);
    HTREEITEM outbox =
        m_wndTree.InsertItem("Skrzynka Nadawcza", IMAGE_OUTBOX, TVI_ROOT, TVI_LAST, 2);
    HTREEITEM service = m_wndTree.InsertItem("Brisko", IMAGE_SERVICE, TVI_ROOT);
    m_hConnectionItem = m_wndTree.InsertItem("Połączenie", IMAGE_CONNECTION, TVI_ROOT);
    m_contacts.Attach(&m_wndTree, &m_messages, contacts, service);
    m_messages.Init(&m_wndTree, service, outbox);
}

void CBriskoPCDlg::RefreshConnectionItems() {
    if (!m_wndTree.GetChildItem(m_hConnectionItem))
        for (int line = LINE_SESSION; line <= LINE_IDLE; ++line)
            m_wndTree.InsertItem(ConnectionLabel(line), IMAGE_CONNECTION, m_hConnectionItem,
                                 TVI_LAST, line);

    ConnectionState state = {m_nSessionState,
                             m_nDbState,
                             m_nSocksState,
                             m_nOutboxState,
                             m_strSessionId,
                             m_nThreads,
                             IdleSeconds(::GetTickCount(), TarnixGetLastInputTime())};
    for (HTREEITEM item = m_wndTree.GetChildItem(m_hConnectionItem); item;
         item = m_wndTree.GetNextSiblingItem(item))
        m_wndTree.SetItemText(item,
                              ConnectionLine(static_cast<int>(m_wndTree.GetItemData(item)), state));
}

void CBriskoPCDlg::UpdateStatusLine() {
    fw::SetControlText(m_hWnd, IDC_STATUS, StatusLine(m_nCredits, m_nClass, m_nDays));
}

void CBriskoPCDlg::ForgetContacts() {
    m_contacts.RemoveAllContacts();
    m_wndTree.SetItemData(m_contacts.m_hContactsItem, 0);
    m_nContactsSource = 0;
}
