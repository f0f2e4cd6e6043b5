#include "TreeCtrl.h"

#include <vector>

HTREEITEM CTreeCtrl::InsertItem(const std::string& text, int nImage, HTREEITEM hParent,
                                HTREEITEM hInsertAfter, LPARAM data) {
    TVINSERTSTRUCTA insert = {};
    insert.hParent = hParent;
    insert.hInsertAfter = hInsertAfter;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    insert.item.pszText = const_cast<char*>(text.c_str());
    insert.item.iImage = insert.item.iSelectedImage = nImage;
    insert.item.lParam = data;
    return reinterpret_cast<HTREEITEM>(
        ::SendMessageA(m_hWnd, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

std::string CTreeCtrl::GetItemText(HTREEITEM hItem) const {
    // Labels are names and short texts; the tree shows no more than this anyway.
    std::vector<char> text(1024);
    TVITEMA item = {};
    item.mask = TVIF_TEXT;
    item.hItem = hItem;
    item.pszText = text.data();
    item.cchTextMax = static_cast<int>(text.size());
    ::SendMessageA(m_hWnd, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return text.data();
}

void CTreeCtrl::SetItemText(HTREEITEM hItem, const std::string& text) {
    TVITEMA item = {};
    item.mask = TVIF_TEXT;
    item.hItem = hItem;
    item.pszText = const_cast<char*>(text.c_str());
    ::SendMessageA(m_hWnd, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

LPARAM CTreeCtrl::GetItemData(HTREEITEM hItem) const {
    TVITEMA item = {};
    item.mask = TVIF_PARAM;
    item.hItem = hItem;
    ::SendMessageA(m_hWnd, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return item.lParam;
}

void CTreeCtrl::SetItemData(HTREEITEM hItem, LPARAM data) {
    TVITEMA item = {};
    item.mask = TVIF_PARAM;
    item.hItem = hItem;
    item.lParam = data;
    ::SendMessageA(m_hWnd, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

void CTreeCtrl::SetItemImage(HTREEITEM hItem, int nImage) {
    TVITEMA item = {};
    item.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    item.hItem = hItem;
    item.iImage = item.iSelectedImage = nImage;
    ::SendMessageA(m_hWnd, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

int CTreeCtrl::GetItemImage(HTREEITEM hItem) const {
    TVITEMA item = {};
    item.mask = TVIF_IMAGE;
    item.hItem = hItem;
    ::SendMessageA(m_hWnd, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return item.iImage;
}

HTREEITEM CTreeCtrl::HitTest(POINT pt, UINT* pFlags) const {
    TVHITTESTINFO hit = {};
    hit.pt = pt;
    HTREEITEM item = TreeView_HitTest(m_hWnd, &hit);
    *pFlags = hit.flags;
    return item;
}
