// Data exchange between dialog controls and the dialog's members.
#pragma once

#include <windows.h>

#include <string>

class CDataExchange {
public:
    CDataExchange(HWND hDlg, BOOL bSaveAndValidate)
        : m_hDlg(hDlg), m_bSaveAndValidate(bSaveAndValidate) {}
    // A control's text was refused: the control takes the focus with its text
    // selected, and no later control moves into its member.
    void Fail(int nID);

    HWND m_hDlg;
    BOOL m_bSaveAndValidate;
    BOOL m_bFailed = FALSE;
};

void DDX_Text(CDataExchange* pDX, int nID, std::string& value);
// A decimal integer; any other text is refused with a message.
void DDX_Text(CDataExchange* pDX, int nID, int& value);
// After the exchange of control nID: a number outside nMin..nMax is refused
// with a message.
void DDV_MinMaxInt(CDataExchange* pDX, int nID, int value, int nMin, int nMax);
void DDX_Check(CDataExchange* pDX, int nID, BOOL& value);
