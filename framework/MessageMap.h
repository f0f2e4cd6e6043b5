// Message tables: each window class binds its messages and command ids to member
// functions in one table, read top to bottom; the first matching entry handles it.
//
//   BEGIN_MESSAGE_MAP(CMyDlg, CDialog)
//       ON_MESSAGE(WM_USER + 1, OnSomething)  // LRESULT OnSomething(WPARAM, LPARAM)
//       ON_MESSAGE_VOID(WM_CLOSE, OnHide)     // void OnHide()
//       ON_COMMAND(32771, OnOpen)             // void OnOpen()
//       ON_NOTIFY(NM_CLICK, 1000, OnClick)    // void OnClick(NMHDR*, LRESULT*)
//   END_MESSAGE_MAP()
#pragma once

#include <windows.h>

namespace fw {

template <class T> struct MessageEntry {
    UINT message;
    UINT id;   // command or control id; 0 for plain messages
    UINT code; // notification code of WM_NOTIFY
    LRESULT (*handler)(T&, WPARAM, LPARAM);
};

template <class T, LRESULT (T::*Fn)(WPARAM, LPARAM)>
LRESULT MessageThunk(T& self, WPARAM wParam, LPARAM lParam) {
    return (self.*Fn)(wParam, lParam);
}

template <class T, void (T::*Fn)()> LRESULT VoidThunk(T& self, WPARAM, LPARAM) {
    (self.*Fn)();
    return 0;
}

template <class T, void (T::*Fn)(NMHDR*, LRESULT*)>
LRESULT NotifyThunk(T& self, WPARAM, LPARAM lParam) {
    LRESULT result = 0;
    (self.*Fn)(reinterpret_cast<NMHDR*>(lParam), &result);
    return result;
}

template <class T, size_t N>
BOOL Dispatch(T& self, const MessageEntry<T> (&map)[N], UINT message, WPARAM wParam,
              LPARAM lParam, LRESULT* pResult) {
    for (const MessageEntry<T>& e : map) {
        if (e.message != message)
            continue;
        if (message == WM_COMMAND && e.id != LOWORD(wParam))
            continue;
        if (message == WM_NOTIFY) {
            auto* hdr = reinterpret_cast<const NMHDR*>(lParam);
            if (e.id != hdr->idFrom || e.code != hdr->code)
                continue;
        }
        *pResult = e.handler(self, wParam, lParam);
        return TRUE;
    }
    return FALSE;
}

} // namespace fw

#define DECLARE_MESSAGE_MAP()                                                                      \
protected:                                                                                         \
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                     \
    BOOL theClass::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {       \
        using ThisClass = theClass;                                                                \
        using BaseClass = baseClass;                                                               \
        static const fw::MessageEntry<ThisClass> entries[] = {

#define ON_MESSAGE(message, fn) {message, 0, 0, &fw::MessageThunk<ThisClass, &ThisClass::fn>},
#define ON_MESSAGE_VOID(message, fn) {message, 0, 0, &fw::VoidThunk<ThisClass, &ThisClass::fn>},
#define ON_COMMAND(id, fn) {WM_COMMAND, id, 0, &fw::VoidThunk<ThisClass, &ThisClass::fn>},
#define ON_NOTIFY(code, id, fn) {WM_NOTIFY, id, code, &fw::NotifyThunk<ThisClass, &ThisClass::fn>},

#define END_MESSAGE_MAP()                                                                          \
    }                                                                                              \
    ;                                                                                              \
    return fw::Dispatch(*this, entries, message, wParam, lParam, pResult) ||                       \
           BaseClass::OnWndMsg(message, wParam, lParam, pResult);                                  \
    }
