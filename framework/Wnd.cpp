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

BOOL CWnd::SubclassDlgItem(int nID, HWND hParent) {
    HWND hWnd = ::GetDlgItem(hParent, nID);
    if (!hWnd)
        return FALSE;
    Attach(hWnd);
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::SubclassProc)));
    return m_pfnSuper != nullptr;
}

LRESULT CWnd::Default(UINT message, WPARAM wParam, LPARAM lParam) {
    return m_pfnSuper ? ::CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam)
                      : ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

LRESULT CALLBACK CWnd::SubclassProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* self = FromHandle(hWnd);
    if (!self)
        return ::DefWindowProcA(hWnd, message, wParam, lParam);
    WNDPROC super = self->m_pfnSuper;
    if (message == WM_NCDESTROY) {
        // The control goes: its own procedure has the last word.
        ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(super));
        self->Detach();
        self->m_pfnSuper = nullptr;
        return ::CallWindowProcA(super, hWnd, message, wParam, lParam);
    }
    LRESULT result = 0;
    if (self->OnWndMsg(message, wParam, lParam, &result))
        return result;
    return ::CallWindowProcA(super, hWnd, message, wParam, lParam);
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
