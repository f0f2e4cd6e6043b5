#include "MessageBox.h"

#include "Text.h"
#include "WinApp.h"

#include <algorithm>

namespace {
fw::MessageBoxScript* g_script = nullptr;
// The texts of the notices open now, innermost last.
std::vector<std::string> g_openNotices;

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
    bool notice = (type & MB_TYPEMASK) == MB_OK;
    if (notice &&
        std::find(g_openNotices.begin(), g_openNotices.end(), text) != g_openNotices.end())
        return IDOK;
    if (g_script)
        return g_script->Take({text, caption, type});
    if (notice)
        g_openNotices.push_back(text);
    int answer = ::MessageBoxW(owner, fw::Wide(text).c_str(), fw::Wide(caption).c_str(), type);
    if (notice)
        g_openNotices.pop_back();
    return answer;
}

int AfxMessageBox(const std::string& text, UINT type) {
    CWinApp* app = AfxGetApp();
    HWND owner = app && app->m_pMainWnd ? app->m_pMainWnd->m_hWnd : nullptr;
    return MessageBoxFor(owner, text, app ? app->m_strAppName : "", type);
}

int AfxMessageBox(UINT nIDPrompt, UINT type) {
    return AfxMessageBox(AfxLoadString(nIDPrompt), type);
}
