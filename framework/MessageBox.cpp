#include "MessageBox.h"

#include "WinApp.h"

namespace {
fw::MessageBoxScript* g_script = nullptr;

int DefaultButton(UINT type) {
    switch (type & MB_TYPEMASK) {
    case MB_YESNO:
    case MB_YESNOCANCEL:
        return IDYES;
    case MB_RETRYCANCEL:
        return IDRETRY;
    case MB_ABORTRETRYIGNORE:
        return IDABORT;
    default:
        return IDOK;
    }
}
} // namespace

namespace fw {

MessageBoxScript::MessageBoxScript() {
    g_script = this;
}
MessageBoxScript::~MessageBoxScript() {
    g_script = nullptr;
}

int MessageBoxScript::Take(const ShownMessageBox& box) {
    m_shown.push_back(box);
    if (m_answers.empty())
        return DefaultButton(box.type);
    int id = m_answers.front();
    m_answers.pop_front();
    return id;
}

} // namespace fw

int MessageBoxFor(HWND owner, const std::string& text, const std::string& caption, UINT type) {
    if (g_script)
        return g_script->Take({text, caption, type});
    return ::MessageBoxA(owner, text.c_str(), caption.c_str(), type);
}

int AfxMessageBox(const std::string& text, UINT type) {
    CWinApp* app = AfxGetApp();
    HWND owner = app && app->m_pMainWnd ? app->m_pMainWnd->m_hWnd : nullptr;
    return MessageBoxFor(owner, text, app ? app->m_strAppName : "", type);
}

int AfxMessageBox(UINT nIDPrompt, UINT type) {
    return AfxMessageBox(AfxLoadString(nIDPrompt), type);
}
