#include "TreeCtrl.h"

#include <vector>

HTREEITEM CTreeCtrl::InsertItem(const std::string& text, int nImage, HTREEITEM hParent,
                                HTREEITEM hInsertAfter, LPARAM data) {
    std::wstring label = fw::Wide(text);
    TVINSERTSTRUCTW insert = {};
    insert.hParent = hParent;
    insert.hInsertAfter = hInsertAfter;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    insert.item.pszText = label.data();
    insert.item.iImage = insert.item.iSelectedImage = nImage;
    insert.item.lParam = data;
    return reinterpret_cast<HTREEITEM>(
        ::SendMessageW(m_hWnd, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
}

std::string CTreeCtrl::GetItemText(HTREEITEM hItem) const {
    // Labels are names and short texts; the tree shows no more than this anyway.
    std::vector<wchar_t> text(1024);
    TVITEMW item = {};
    item.mask = TVIF_TEXT;
    item.hItem = hItem;
    item.pszText = text.data();
    item.cchTextMax = static_cast<int>(text.size());
    ::SendMessageW(m_hWnd, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return fw::Cp1250(text.data());
}

void CTreeCtrl::SetItemText(HTREEITEM hItem, const std::string& text) {
    std::wstring label = fw::Wide(text);
    TVITEMW item = {};
    item.mask = TVIF_TEXT;
    item.hItem = hItem;
    item.pszText = label.data();
    ::SendMessageW(m_hWnd, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

LPARAM CTreeCtrl::GetItemData(HTREEITEM hItem) const {
    TVITEMW item = {};
    item.mask = TVIF_PARAM;
    item.hItem = hItem;
    ::SendMessageW(m_hWnd, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return item.lParam;
}

void CTreeCtrl::SetItemData(HTREEITEM hItem, LPARAM data) {
    TVITEMW item = {};
    item.mask = TVIF_PARAM;
    item.hItem = hItem;
    item.lParam = data;
    ::SendMessageW(m_hWnd, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

void CTreeCtrl::SetItemImage(HTREEITEM hItem, int nImage) {
    TVITEMW item = {};
    item.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    item.hItem = hItem;
    item.iImage = item.iSelectedImage = nImage;
    ::SendMessageW(m_hWnd, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

int CTreeCtrl::GetItemImage(HTREEITEM hItem) const {
    TVITEMW item = {};
    item.mask = TVIF_IMAGE;
    item.hItem = hItem;
    ::SendMessageW(m_hWnd, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return item.iImage;
}

HTREEITEM CTreeCtrl::HitTest(POINT pt, UINT* pFlags) const {
    TVHITTESTINFO hit = {};
    hit.pt = pt;
    HTREEITEM item = TreeView_HitTest(m_hWnd, &hit);
    *pFlags = hit.flags;
    return item;
}
