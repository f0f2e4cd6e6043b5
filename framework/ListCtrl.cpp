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

// The row goes in empty and takes its first column's text like any other.
int CListCtrl::InsertItem(int nItem, const std::string& text) {
    LVITEMW item = {};
    item.iItem = nItem;
    int row = static_cast<int>(
        ::SendMessageW(m_hWnd, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    if (row >= 0)
        SetItemText(row, 0, text);
    return row;
}

BOOL CListCtrl::SetItemText(int nItem, int nSubItem, const std::string& text) {
    std::wstring label = fw::Wide(text);
    LVITEMW item = {};
    item.iSubItem = nSubItem;
    item.pszText = label.data();
    return static_cast<BOOL>(
        ::SendMessageW(m_hWnd, LVM_SETITEMTEXTW, nItem, reinterpret_cast<LPARAM>(&item)));
}
