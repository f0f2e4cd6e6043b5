// Reads the items of a tree control in another process: their texts live in
// its memory, so the item record and the text buffer are lent there.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

struct RemoteTreeItem {
    HTREEITEM hItem = nullptr;
    std::string strText;
    LPARAM lParam = 0;
    int nImage = -1;
};

class RemoteTree {
public:
    RemoteTree(HANDLE hProcess, HWND hTree);
    ~RemoteTree();
    RemoteTree(const RemoteTree&) = delete;
    RemoteTree& operator=(const RemoteTree&) = delete;

    // The children of `parent` (TVI_ROOT: the roots), in tree order; empty
    // when the tree does not answer.
    std::vector<RemoteTreeItem> Children(HTREEITEM parent);
    // The children of the root item labelled `root`.
    std::vector<RemoteTreeItem> ChildrenOf(const std::string& root);
    // Every item down to `depth` levels below the roots, parents before children.
    std::vector<RemoteTreeItem> All(int depth);
    bool Select(HTREEITEM hItem);

private:
    bool Read(HTREEITEM hItem, RemoteTreeItem& item);
    HTREEITEM Next(HTREEITEM hItem, UINT code);
    HANDLE m_hProcess;
    HWND m_hTree;
    char* m_pRemote; // a TVITEMW followed by the text buffer, in the other process
};
