// Message tables: each window class binds its messages and command ids to member
// functions in one table, read top to bottom; the first matching entry handles it.
//
//   BEGIN_MESSAGE_MAP(CMyDlg, CDialog)
//       ON_MESSAGE(WM_USER + 1, OnSomething)  // LRESULT OnSomething(WPARAM, LPARAM)
//       ON_MESSAGE_VOID(WM_CLOSE, OnHide)     // void OnHide()
//       ON_COMMAND(32771, OnOpen)             // void OnOpen(): menu, accelerator, button
//       ON_CONTROL(EN_UPDATE, 1003, OnEdit)   // void OnEdit(): one notification of a control
//       ON_NOTIFY(NM_CLICK, 1000, OnClick)    // void OnClick(NMHDR*, LRESULT*)
//       ON_MESSAGE_OR_DEFAULT(WM_SETCURSOR, OnSetCursor)
//                            // BOOL OnSetCursor(WPARAM, LPARAM, LRESULT*): FALSE
//                            // leaves the message to the default handling
//       ON_REGISTERED_MESSAGE(g_uTaskbarCreated, OnTaskbarCreated)
//                            // LRESULT OnTaskbarCreated(WPARAM, LPARAM): a message
//                            // registered by name; the variable holds what
//                            // RegisterWindowMessage gave, before the first message
//   END_MESSAGE_MAP()
#pragma once

#include <windows.h>

namespace fw {

template <class T> struct MessageEntry {
    UINT message;
    UINT id;   // command or control id; 0 for plain messages
    UINT code; // notification code of WM_NOTIFY, or of WM_COMMAND from a control
    // TRUE when the message was handled, its result in the last argument.
    BOOL (*handler)(T&, WPARAM, LPARAM, LRESULT*);
};

template <class T, LRESULT (T::*Fn)(WPARAM, LPARAM)>
BOOL MessageThunk(T& self, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    *pResult = (self.*Fn)(wParam, lParam);
    return TRUE;
}

template <class T, BOOL (T::*Fn)(WPARAM, LPARAM, LRESULT*)>
BOOL MaybeThunk(T& self, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    return (self.*Fn)(wParam, lParam, pResult);
}

template <class T, void (T::*Fn)()> BOOL VoidThunk(T& self, WPARAM, LPARAM, LRESULT* pResult) {
    (self.*Fn)();
    *pResult = 0;
    return TRUE;
}

template <class T, void (T::*Fn)(NMHDR*, LRESULT*)>
BOOL NotifyThunk(T& self, WPARAM, LPARAM lParam, LRESULT* pResult) {
    *pResult = 0;
    (self.*Fn)(reinterpret_cast<NMHDR*>(lParam), pResult);
    return TRUE;
}

template <class T, size_t N>
BOOL Dispatch(T& self, const MessageEntry<T> (&map)[N], UINT message, WPARAM wParam, LPARAM lParam,
              LRESULT* pResult) {
    for (const MessageEntry<T>& e : map) {
        if (e.message != message)
            continue;
        // A command comes from a menu (0), an accelerator (1) or a button's click (0);
        // any other code is a control's notification.
        if (message == WM_COMMAND &&
            (e.id != LOWORD(wParam) || (e.code ? e.code != HIWORD(wParam) : HIWORD(wParam) > 1)))
            continue;
        if (message == WM_NOTIFY) {
            auto* hdr = reinterpret_cast<const NMHDR*>(lParam);
            if (e.id != hdr->idFrom || e.code != hdr->code)
                continue;
        }
        return e.handler(self, wParam, lParam, pResult);
    }
    return FALSE;
}

} // namespace fw

#define DECLARE_MESSAGE_MAP()                                                                      \
protected:                                                                                         \
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                     \
    BOOL theClass::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {        \
        using ThisClass = theClass;                                                                \
        using BaseClass = baseClass;                                                               \
        static const fw::MessageEntry<ThisClass> entries[] = {

#define ON_MESSAGE(message, fn) {message, 0, 0, &fw::MessageThunk<ThisClass, &ThisClass::fn>},
#define ON_REGISTERED_MESSAGE(nMessageVariable, fn)                                                \
    {nMessageVariable, 0, 0, &fw::MessageThunk<ThisClass, &ThisClass::fn>},
#define ON_MESSAGE_VOID(message, fn) {message, 0, 0, &fw::VoidThunk<ThisClass, &ThisClass::fn>},
#define ON_MESSAGE_OR_DEFAULT(message, fn)                                                         \
    {message, 0, 0, &fw::MaybeThunk<ThisClass, &ThisClass::fn>},
#define ON_COMMAND(id, fn) {WM_COMMAND, id, 0, &fw::VoidThunk<ThisClass, &ThisClass::fn>},
#define ON_NOTIFY(code, id, fn) {WM_NOTIFY, id, code, &fw::NotifyThunk<ThisClass, &ThisClass::fn>},
#define ON_CONTROL(code, id, fn) {WM_COMMAND, id, code, &fw::VoidThunk<ThisClass, &ThisClass::fn>},

#define END_MESSAGE_MAP()                                                                          \
    }                                                                                              \
    ;                                                                                              \
    return fw::Dispatch(*this, entries, message, wParam, lParam, pResult) ||                       \
           BaseClass::OnWndMsg(message, wParam, lParam, pResult);                                  \
    }
