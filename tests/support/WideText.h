// The texts of windows as the tests see them. Windows hold UTF-16, the tests
// compare with cp1250 literals (the client's own code page): the texts are read
// and set through the wide API and converted explicitly with code page 1250,
// never through the system's, which may be any (1252, 65001...).
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>

constexpr UINT kClientCodePage = 1250;

inline std::wstring Widen(const std::string& cp1250) {
    std::wstring wide(cp1250.size(), L'\0');
    wide.resize(static_cast<size_t>(
        ::MultiByteToWideChar(kClientCodePage, 0, cp1250.data(), static_cast<int>(cp1250.size()),
                              wide.data(), static_cast<int>(wide.size()))));
    return wide;
}

// A letter cp1250 lacks comes out as '?'.
inline std::string Narrow(const std::wstring& wide) {
    // A UTF-16 unit gives at most one cp1250 byte.
    std::string text(wide.size(), '\0');
    text.resize(static_cast<size_t>(
        ::WideCharToMultiByte(kClientCodePage, 0, wide.data(), static_cast<int>(wide.size()),
                              text.data(), static_cast<int>(text.size()), nullptr, nullptr)));
    return text;
}

// A window's text in this process, up to 1 K letters.
inline std::string WindowText(HWND hWnd) {
    wchar_t text[1024] = L"";
    ::GetWindowTextW(hWnd, text, static_cast<int>(std::size(text)));
    return Narrow(text);
}

// A tree item's label, of a tree in this process.
inline std::string TreeItemText(HWND hTree, HTREEITEM hItem) {
    wchar_t text[512] = L"";
    TVITEMW tvi = {};
    tvi.mask = TVIF_TEXT | TVIF_HANDLE;
    tvi.hItem = hItem;
    tvi.pszText = text;
    tvi.cchTextMax = static_cast<int>(std::size(text));
    ::SendMessageW(hTree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tvi));
    text[std::size(text) - 1] = 0;
    return Narrow(text);
}

// A list view cell, of a list in this process.
inline std::string ListItemText(HWND hList, int item, int column) {
    wchar_t text[512] = L"";
    LVITEMW lvi = {};
    lvi.iSubItem = column;
    lvi.pszText = text;
    lvi.cchTextMax = static_cast<int>(std::size(text));
    ::SendMessageW(hList, LVM_GETITEMTEXTW, item, reinterpret_cast<LPARAM>(&lvi));
    text[std::size(text) - 1] = 0;
    return Narrow(text);
}

inline std::string MenuItemText(HMENU menu, UINT position) {
    wchar_t text[128] = L"";
    ::GetMenuStringW(menu, position, text, static_cast<int>(std::size(text)), MF_BYPOSITION);
    return Narrow(text);
}

// Sets a control's text as WM_SETTEXT does, in this process or another
// (which gets 2 s to take it).
inline void SetControlText(HWND hWnd, const std::string& text) {
    DWORD_PTR ignored;
    ::SendMessageTimeoutW(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Widen(text).c_str()),
                          SMTO_ABORTIFHUNG, 2000, &ignored);
}
