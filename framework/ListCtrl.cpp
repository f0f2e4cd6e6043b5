#include "ListCtrl.h"

int CListCtrl::InsertColumn(int nCol, const std::string& heading, int nFormat, int nWidth) {
    std::wstring text = fw::Wide(heading);
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.fmt = nFormat;
    column.cx = nWidth;
    column.pszText = text.data();
    return static_cast<int>(
        ::SendMessageW(m_hWnd, LVM_INSERTCOLUMNW, nCol, reinterpret_cast<LPARAM>(&column)));
}

int CListCtrl::InsertItem(int nItem, const std::string& text) {
    std::wstring label = fw::Wide(text);
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = nItem;
    item.pszText = label.data();
    return static_cast<int>(
        ::SendMessageW(m_hWnd, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

BOOL CListCtrl::SetItemText(int nItem, int nSubItem, const std::string& text) {
    std::wstring label = fw::Wide(text);
    LVITEMW item = {};
    item.iSubItem = nSubItem;
    item.pszText = label.data();
    return static_cast<BOOL>(
        ::SendMessageW(m_hWnd, LVM_SETITEMTEXTW, nItem, reinterpret_cast<LPARAM>(&item)));
}
