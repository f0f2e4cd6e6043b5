#include "FileDialog.h"

#include "Wnd.h"

#include <algorithm>

namespace {
fw::FileDialogScript* g_script = nullptr;
}

CFileDialog::CFileDialog(BOOL bOpenFileDialog, const char* lpszDefExt, const char* lpszFileName,
                         DWORD dwFlags, const char* lpszFilter, CWnd* pParentWnd)
    : m_bOpenFileDialog(bOpenFileDialog), m_strDefExt(fw::Wide(lpszDefExt ? lpszDefExt : "")),
      m_strFilter(fw::Wide(lpszFilter ? lpszFilter : "")) {
    if (lpszFileName)
        lstrcpynW(m_szFile, fw::PathW(lpszFileName).c_str(), MAX_PATH);
    // The system wants the filter's pairs separated by NUL characters.
    std::replace(m_strFilter.begin(), m_strFilter.end(), L'|', L'\0');
    m_ofn.lStructSize = sizeof m_ofn;
    m_ofn.hwndOwner = pParentWnd ? pParentWnd->m_hWnd : nullptr;
    m_ofn.lpstrFilter = m_strFilter.empty() ? nullptr : m_strFilter.c_str();
    m_ofn.lpstrFile = m_szFile;
    m_ofn.nMaxFile = MAX_PATH;
    m_ofn.lpstrDefExt = m_strDefExt.empty() ? nullptr : m_strDefExt.c_str();
    m_ofn.Flags = dwFlags | OFN_EXPLORER;
}

INT_PTR CFileDialog::DoModal() {
    if (g_script) {
        std::string path = g_script->Take({GetPathName(), m_ofn.Flags, m_ofn.hwndOwner});
        lstrcpynW(m_szFile, fw::PathW(path).c_str(), MAX_PATH);
        return path.empty() ? IDCANCEL : IDOK;
    }
    BOOL chosen = m_bOpenFileDialog ? ::GetOpenFileNameW(&m_ofn) : ::GetSaveFileNameW(&m_ofn);
    return chosen ? IDOK : IDCANCEL;
}

namespace fw {

FileDialogScript::FileDialogScript() {
    g_script = this;
}

FileDialogScript::~FileDialogScript() {
    g_script = nullptr;
}

std::string FileDialogScript::Take(const ShownFileDialog& dialog) {
    m_shown.push_back(dialog);
    if (m_answers.empty())
        return {};
    std::string path = std::move(m_answers.front());
    m_answers.pop_front();
    return path;
}

} // namespace fw
