// The tree's groups, the connection lines under "Połączenie" and the status line.
#include "BriskoPCDlg.h"

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

HTREEITEM AppendItem(HWND tree, HTREEITEM parent, const std::string& text, int image, LPARAM data) {
    TVINSERTSTRUCTA insert = {};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    insert.item.pszText = const_cast<char*>(text.c_str());
    insert.item.iImage = insert.item.iSelectedImage = image;
    insert.item.lParam = data;
    return reinterpret_cast<HTREEITEM>(
        ::SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

LPARAM ItemData(HWND tree, HTREEITEM item) {
    TVITEMA tvi = {};
    tvi.mask = TVIF_PARAM;
    tvi.hItem = item;
    ::SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tvi));
    return tvi.lParam;
}

void SetItemText(HWND tree, HTREEITEM item, const std::string& text) {
    TVITEMA tvi = {};
    tvi.mask = TVIF_TEXT;
    tvi.hItem = item;
    tvi.pszText = const_cast<char*>(text.c_str());
    ::SendMessageA(tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&tvi));
}
} // namespace

void CBriskoPCDlg::BuildTree() {
    m_wndTree = GetDlgItem(IDC_TREE);
    m_imageList =
        ImageList_Create(16, 16, ILC_COLOR16, static_cast<int>(std::size(kTreeIcons)), 20);
    for (UINT id : kTreeIcons) {
        auto icon = static_cast<HICON>(::LoadImageA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(id),
                                                    IMAGE_ICON, 16, 16, LR_SHARED));
        ImageList_AddIcon(m_imageList, icon);
    }
    TreeView_SetImageList(m_wndTree, m_imageList, TVSIL_NORMAL);

    // "Kontakty" carries 1 and "Skrzynka Nadawcza" 2: their context menus go by it.
    AppendItem(m_wndTree, TVI_ROOT, "Kontakty", IMAGE_CONTACTS, 1);
    AppendItem(m_wndTree, TVI_ROOT, "Skrzynka Nadawcza", IMAGE_OUTBOX, 2);
    AppendItem(m_wndTree, TVI_ROOT, "Brisko", IMAGE_SERVICE, 0);
    m_hConnectionItem = AppendItem(m_wndTree, TVI_ROOT, "Połączenie", IMAGE_CONNECTION, 0);
}

void CBriskoPCDlg::RefreshConnectionItems() {
    if (!TreeView_GetChild(m_wndTree, m_hConnectionItem))
        for (int line = LINE_SESSION; line <= LINE_IDLE; ++line)
            AppendItem(m_wndTree, m_hConnectionItem, ConnectionLabel(line), IMAGE_CONNECTION, line);

    ConnectionState state = {m_nSessionState,
                             m_nDbState,
                             m_nSocksState,
                             m_nOutboxState,
                             m_strSessionId,
                             m_nThreads,
                             IdleSeconds(::GetTickCount(), TarnixGetLastInputTime())};
    for (HTREEITEM item = TreeView_GetChild(m_wndTree, m_hConnectionItem); item;
         item = TreeView_GetNextSibling(m_wndTree, item))
        SetItemText(m_wndTree, item,
                    ConnectionLine(static_cast<int>(ItemData(m_wndTree, item)), state));
}

void CBriskoPCDlg::UpdateStatusLine() {
    ::SetDlgItemTextA(m_hWnd, IDC_STATUS, StatusLine(m_nCredits, m_nClass, m_nDays).c_str());
}
