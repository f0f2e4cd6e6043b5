#include "Wnd.h"

namespace {
const wchar_t kObjectProp[] = L"BriskoPC.CWnd";
}

void CWnd::Attach(HWND hWnd) {
    m_hWnd = hWnd;
    ::SetPropW(hWnd, kObjectProp, this);
}

void CWnd::Detach() {
    if (m_hWnd)
        ::RemovePropW(m_hWnd, kObjectProp);
    m_hWnd = nullptr;
}

BOOL CWnd::SubclassDlgItem(int nID, HWND hParent) {
    HWND hWnd = ::GetDlgItem(hParent, nID);
    if (!hWnd)
        return FALSE;
    Attach(hWnd);
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::SubclassProc)));
    return m_pfnSuper != nullptr;
}

LRESULT CWnd::Default(UINT message, WPARAM wParam, LPARAM lParam) {
    return m_pfnSuper ? ::CallWindowProcW(m_pfnSuper, m_hWnd, message, wParam, lParam)
                      : ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CALLBACK CWnd::SubclassProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* self = FromHandle(hWnd);
    if (!self)
        return ::DefWindowProcW(hWnd, message, wParam, lParam);
    WNDPROC super = self->m_pfnSuper;
    if (message == WM_NCDESTROY) {
        // The control goes: its own procedure has the last word.
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(super));
        self->Detach();
        self->m_pfnSuper = nullptr;
        return ::CallWindowProcW(super, hWnd, message, wParam, lParam);
    }
    LRESULT result = 0;
    if (self->OnWndMsg(message, wParam, lParam, &result))
        return result;
    return ::CallWindowProcW(super, hWnd, message, wParam, lParam);
}

CWnd* CWnd::FromHandle(HWND hWnd) {
    return hWnd ? static_cast<CWnd*>(::GetPropW(hWnd, kObjectProp)) : nullptr;
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

BOOL CWnd::DestroyWindow() {
    return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE;
}
