#include "RemoteTree.h"

#include "WideText.h"

namespace {
constexpr int kTextSize = 512; // letters
constexpr UINT kAnswerMs = 2000;
} // namespace

RemoteTree::RemoteTree(HANDLE hProcess, HWND hTree)
    : m_hProcess(hProcess), m_hTree(hTree),
      m_pRemote(static_cast<char*>(::VirtualAllocEx(hProcess, nullptr,
                                                    sizeof(TVITEMW) + kTextSize * sizeof(wchar_t),
                                                    MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE))) {}

RemoteTree::~RemoteTree() {
    if (m_pRemote)
        ::VirtualFreeEx(m_hProcess, m_pRemote, 0, MEM_RELEASE);
}

HTREEITEM RemoteTree::Next(HTREEITEM hItem, UINT code) {
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutA(m_hTree, TVM_GETNEXTITEM, code, reinterpret_cast<LPARAM>(hItem),
                               SMTO_ABORTIFHUNG, kAnswerMs, &result))
        return nullptr;
    return reinterpret_cast<HTREEITEM>(result);
}

bool RemoteTree::Read(HTREEITEM hItem, RemoteTreeItem& item) {
    TVITEMW tvi = {};
    tvi.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_HANDLE;
    tvi.hItem = hItem;
    tvi.pszText = reinterpret_cast<wchar_t*>(m_pRemote + sizeof(TVITEMW));
    tvi.cchTextMax = kTextSize;
    wchar_t text[kTextSize] = L"";
    DWORD_PTR ok = 0;
    if (!::WriteProcessMemory(m_hProcess, m_pRemote, &tvi, sizeof tvi, nullptr) ||
        !::SendMessageTimeoutW(m_hTree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(m_pRemote),
                               SMTO_ABORTIFHUNG, kAnswerMs, &ok) ||
        !ok || !::ReadProcessMemory(m_hProcess, m_pRemote, &tvi, sizeof tvi, nullptr) ||
        !::ReadProcessMemory(m_hProcess, m_pRemote + sizeof(TVITEMW), text, sizeof text, nullptr))
        return false;
    text[kTextSize - 1] = 0;
    item.hItem = hItem;
    item.strText = Narrow(text);
    item.lParam = tvi.lParam;
    item.nImage = tvi.iImage;
    return true;
}

std::vector<RemoteTreeItem> RemoteTree::Children(HTREEITEM parent) {
    std::vector<RemoteTreeItem> items;
    if (!m_pRemote)
        return items;
    // A tree of the client holds far fewer items; the bound keeps a tree that
    // changes under us from looping.
    HTREEITEM h = parent == TVI_ROOT ? Next(nullptr, TVGN_ROOT) : Next(parent, TVGN_CHILD);
    for (int n = 0; h && n < 2000; ++n, h = Next(h, TVGN_NEXT)) {
        RemoteTreeItem item;
        if (Read(h, item))
            items.push_back(item);
    }
    return items;
}

std::vector<RemoteTreeItem> RemoteTree::ChildrenOf(const std::string& root) {
    for (const RemoteTreeItem& item : Children(TVI_ROOT))
        if (item.strText == root)
            return Children(item.hItem);
    return {};
}

std::vector<RemoteTreeItem> RemoteTree::All(int depth) {
    std::vector<RemoteTreeItem> items = Children(TVI_ROOT);
    for (size_t level = 0, from = 0; level < static_cast<size_t>(depth); ++level) {
        const size_t to = items.size();
        for (size_t i = from; i < to; ++i) {
            std::vector<RemoteTreeItem> below = Children(items[i].hItem);
            items.insert(items.end(), below.begin(), below.end());
        }
        from = to;
    }
    return items;
}

bool RemoteTree::Select(HTREEITEM hItem) {
    DWORD_PTR ok = 0;
    return ::SendMessageTimeoutA(m_hTree, TVM_SELECTITEM, TVGN_CARET,
                                 reinterpret_cast<LPARAM>(hItem), SMTO_ABORTIFHUNG, kAnswerMs,
                                 &ok) &&
           ok;
}
