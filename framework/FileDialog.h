// The system's dialog for choosing a file to save (or open). It goes through
// the framework, as every modal dialog does, so that a test can script the
// choice instead of blocking on it.
#pragma once

#include "Text.h"

#include <windows.h>

#include <commdlg.h>

#include <deque>
#include <string>
#include <vector>

class CWnd;

class CFileDialog {
public:
    // The filter's pairs are separated by "|" and end with "||". The file name
    // is a path (UTF-8, see Text.h), the filter a text.
    CFileDialog(BOOL bOpenFileDialog, const char* lpszDefExt = nullptr,
                const char* lpszFileName = nullptr,
                DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                const char* lpszFilter = nullptr, CWnd* pParentWnd = nullptr);
    CFileDialog(const CFileDialog&) = delete;
    CFileDialog& operator=(const CFileDialog&) = delete;

    // IDOK with a file chosen, else IDCANCEL.
    INT_PTR DoModal();
    std::string GetPathName() const { return fw::PathText(m_szFile); }

    OPENFILENAMEW m_ofn{};

private:
    BOOL m_bOpenFileDialog;
    std::wstring m_strDefExt;
    std::wstring m_strFilter;
    wchar_t m_szFile[MAX_PATH] = L"";
};

namespace fw {

struct ShownFileDialog {
    std::string initialName;
    DWORD flags;
    HWND owner;
};

// While scripted, no file dialog is shown: each is recorded and answered with
// the next scripted path, or cancelled when none is left or the path is empty.
class FileDialogScript {
public:
    FileDialogScript();
    ~FileDialogScript();
    FileDialogScript(const FileDialogScript&) = delete;
    FileDialogScript& operator=(const FileDialogScript&) = delete;

    void Choose(const std::string& path) { m_answers.push_back(path); }
    void Cancel() { m_answers.push_back({}); }
    const std::vector<ShownFileDialog>& Shown() const { return m_shown; }

private:
    friend class ::CFileDialog;
    std::string Take(const ShownFileDialog& dialog);

    std::deque<std::string> m_answers;
    std::vector<ShownFileDialog> m_shown;
};

} // namespace fw
