#include "BitmapButton.h"

#include "HandleCounts.h"
#include "WinApp.h"

#include <string>

CResourceException::CResourceException(UINT nID)
    : std::runtime_error("resource " + std::to_string(nID) + " is missing") {}

namespace {
HBITMAP LoadBitmapOrThrow(UINT nID) {
    HBITMAP bitmap =
        fw::Opened(fw::kGdiObjects, ::LoadBitmapW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(nID)));
    if (!bitmap)
        throw CResourceException(nID);
    return bitmap;
}
} // namespace

CBitmapButton::~CBitmapButton() {
    for (HBITMAP bitmap : {m_hUp, m_hDown, m_hFocus})
        if (bitmap) {
            ::DeleteObject(bitmap);
            fw::Closed(fw::kGdiObjects);
        }
}

void CBitmapButton::LoadBitmaps(UINT nIDUp, UINT nIDDown, UINT nIDFocus) {
    m_hUp = LoadBitmapOrThrow(nIDUp);
    m_hDown = LoadBitmapOrThrow(nIDDown);
    m_hFocus = LoadBitmapOrThrow(nIDFocus);
}

BOOL CBitmapButton::SubclassDlgItem(int nID, CWnd* pParent) {
    HWND button = ::GetDlgItem(pParent->m_hWnd, nID);
    if (!button)
        return FALSE;
    LONG_PTR style = ::GetWindowLongPtrW(button, GWL_STYLE);
    ::SetWindowLongPtrW(button, GWL_STYLE, (style & ~BS_TYPEMASK) | BS_OWNERDRAW);
    Attach(button);
    return TRUE;
}

void CBitmapButton::SizeToContent() {
    BITMAP info;
    if (m_hWnd && m_hUp && ::GetObjectW(m_hUp, sizeof info, &info))
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, info.bmWidth, info.bmHeight,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL CBitmapButton::OnChildNotify(UINT message, WPARAM, LPARAM lParam, LRESULT* pResult) {
    if (message != WM_DRAWITEM)
        return FALSE;
    auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
    HBITMAP bitmap = (item->itemState & ODS_SELECTED) ? m_hDown
                     : (item->itemState & ODS_FOCUS)  ? m_hFocus
                                                      : m_hUp;
    HDC memory = fw::Opened(fw::kGdiObjects, ::CreateCompatibleDC(item->hDC));
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    BITMAP info;
    ::GetObjectW(bitmap, sizeof info, &info);
    // The layout may stretch the button; the bitmap stretches with it.
    const RECT& r = item->rcItem;
    ::SetStretchBltMode(item->hDC, HALFTONE);
    ::StretchBlt(item->hDC, r.left, r.top, r.right - r.left, r.bottom - r.top, memory, 0, 0,
                 info.bmWidth, info.bmHeight, SRCCOPY);
    ::SelectObject(memory, old);
    ::DeleteDC(memory);
    fw::Closed(fw::kGdiObjects);
    *pResult = TRUE;
    return TRUE;
}
