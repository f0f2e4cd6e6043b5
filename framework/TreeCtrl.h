// The tree view control, item by item.
#pragma once

#include "Wnd.h"

#include <commctrl.h>

#include <string>

class CTreeCtrl : public CWnd {
public:
    HTREEITEM InsertItem(const std::string& text, int nImage, HTREEITEM hParent,
                         HTREEITEM hInsertAfter = TVI_LAST, LPARAM data = 0);
    BOOL DeleteItem(HTREEITEM hItem) { return TreeView_DeleteItem(m_hWnd, hItem); }
    std::string GetItemText(HTREEITEM hItem) const;
    void SetItemText(HTREEITEM hItem, const std::string& text);
    LPARAM GetItemData(HTREEITEM hItem) const;
    void SetItemData(HTREEITEM hItem, LPARAM data);
    // Image and selected image alike.
    void SetItemImage(HTREEITEM hItem, int nImage);
    int GetItemImage(HTREEITEM hItem) const;
    HTREEITEM GetRootItem() const { return TreeView_GetRoot(m_hWnd); }
    HTREEITEM GetChildItem(HTREEITEM hItem) const { return TreeView_GetChild(m_hWnd, hItem); }
    HTREEITEM GetNextSiblingItem(HTREEITEM hItem) const {
        return TreeView_GetNextSibling(m_hWnd, hItem);
    }
    HTREEITEM GetParentItem(HTREEITEM hItem) const { return TreeView_GetParent(m_hWnd, hItem); }
    HTREEITEM GetSelectedItem() const { return TreeView_GetSelection(m_hWnd); }
    BOOL SelectItem(HTREEITEM hItem) { return TreeView_SelectItem(m_hWnd, hItem); }
    BOOL Expand(HTREEITEM hItem, UINT nCode) { return TreeView_Expand(m_hWnd, hItem, nCode); }
    BOOL IsExpanded(HTREEITEM hItem) const {
        return (TreeView_GetItemState(m_hWnd, hItem, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
    }
    BOOL SortChildren(HTREEITEM hItem) { return TreeView_SortChildren(m_hWnd, hItem, FALSE); }
    // Many items at once go in without a redraw each.
    void SetRedraw(BOOL bRedraw) { ::SendMessageW(m_hWnd, WM_SETREDRAW, bRedraw, 0); }
    // The item under a point of the client area, and where on it the point lies.
    HTREEITEM HitTest(POINT pt, UINT* pFlags) const;
};
