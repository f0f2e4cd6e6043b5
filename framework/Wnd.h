// The thinnest window wrapper: an HWND and a way back from it to its object.
#pragma once

#include "Text.h"

#include <windows.h>

#include <string>

class CWnd {
public:
    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    virtual ~CWnd() = default;

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    // Links the object to its window so that FromHandle finds it.
    void Attach(HWND hWnd);
    void Detach();
    // Takes over a control a dialog template made: its messages meet this
    // object's table first, then the control's own procedure.
    BOOL SubclassDlgItem(int nID, HWND hParent);
    // The control's own handling of a message, for a handler that adds to it.
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);
    static CWnd* FromHandle(HWND hWnd);

    // The window's message table; TRUE when an entry handled the message.
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);

    // Handles a message the parent passes on (owner drawing); TRUE when handled.
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);

    std::string GetWindowText() const;
    void SetWindowText(const std::string& text) { fw::SetText(m_hWnd, text); }
    BOOL ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }
    BOOL DestroyWindow();

    HWND m_hWnd = nullptr;

private:
    static LRESULT CALLBACK SubclassProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    WNDPROC m_pfnSuper = nullptr;
};
