#include "Wnd.h"

#include <vector>

namespace {
const char kObjectProp[] = "BriskoPC.CWnd";
}

void CWnd::Attach(HWND hWnd) {
    m_hWnd = hWnd;
    ::SetPropA(hWnd, kObjectProp, this);
}

void CWnd::Detach() {
    if (m_hWnd)
        ::RemovePropA(m_hWnd, kObjectProp);
    m_hWnd = nullptr;
}

CWnd* CWnd::FromHandle(HWND hWnd) {
    return hWnd ? static_cast<CWnd*>(::GetPropA(hWnd, kObjectProp)) : nullptr;
}

BOOL CWnd::OnWndMsg(UINT, WPARAM, LPARAM, LRESULT*) {
    return FALSE;
}

BOOL CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*) {
    return FALSE;
}

std::string CWnd::GetWindowText() const {
    return fw::GetText(m_hWnd);
}

std::string fw::GetText(HWND hWnd) {
    std::vector<char> text(::GetWindowTextLengthA(hWnd) + 1);
    int n = ::GetWindowTextA(hWnd, text.data(), static_cast<int>(text.size()));
    return std::string(text.data(), n);
}

BOOL CWnd::DestroyWindow() {
    return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE;
}
