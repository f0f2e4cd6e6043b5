#include "DataExchange.h"

#include "MessageBox.h"
#include "WinApp.h"

#include <errno.h>
#include <limits.h>
#include <stdlib.h>

namespace {
// Blanks around the number are allowed, nothing else; nor a number past int.
bool ParseInt(const std::string& text, int& value) {
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    long long n = strtoll(begin, &end, 10);
    if (end == begin || errno == ERANGE || n < INT_MIN || n > INT_MAX)
        return false;
    while (*end == ' ' || *end == '\t')
        ++end;
    if (*end)
        return false;
    value = static_cast<int>(n);
    return true;
}

void Refuse(CDataExchange* pDX, int nID, const std::string& text) {
    CWinApp* app = AfxGetApp();
    MessageBoxFor(pDX->m_hDlg, text, app ? app->m_strAppName : "", MB_OK | MB_ICONEXCLAMATION);
    pDX->Fail(nID);
}
} // namespace

void CDataExchange::Fail(int nID) {
    m_bFailed = TRUE;
    HWND control = ::GetDlgItem(m_hDlg, nID);
    ::SetFocus(control);
    ::SendMessageW(control, EM_SETSEL, 0, -1);
}

void DDX_Text(CDataExchange* pDX, int nID, std::string& value) {
    HWND control = ::GetDlgItem(pDX->m_hDlg, nID);
    if (!pDX->m_bSaveAndValidate) {
        fw::SetText(control, value);
        return;
    }
    if (!pDX->m_bFailed)
        value = fw::GetText(control);
}

void DDX_Text(CDataExchange* pDX, int nID, int& value) {
    HWND control = ::GetDlgItem(pDX->m_hDlg, nID);
    if (!pDX->m_bSaveAndValidate) {
        fw::SetText(control, std::to_string(value));
        return;
    }
    if (pDX->m_bFailed || ParseInt(fw::GetText(control), value))
        return;
    Refuse(pDX, nID, "Wprowadź liczbę całkowitą.");
}

void DDV_MinMaxInt(CDataExchange* pDX, int nID, int value, int nMin, int nMax) {
    if (!pDX->m_bSaveAndValidate || pDX->m_bFailed || (value >= nMin && value <= nMax))
        return;
    Refuse(pDX, nID,
           "Wprowadź liczbę całkowitą z zakresu od " + std::to_string(nMin) + " do " +
               std::to_string(nMax) + ".");
}

void DDX_Check(CDataExchange* pDX, int nID, BOOL& value) {
    if (!pDX->m_bSaveAndValidate)
        ::CheckDlgButton(pDX->m_hDlg, nID, value ? BST_CHECKED : BST_UNCHECKED);
    else if (!pDX->m_bFailed)
        value = ::IsDlgButtonChecked(pDX->m_hDlg, nID) == BST_CHECKED;
}
