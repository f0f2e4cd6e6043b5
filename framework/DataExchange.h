// Data exchange between dialog controls and the dialog's members.
#pragma once

#include <windows.h>

#include <string>

class CDataExchange {
public:
    CDataExchange(HWND hDlg, BOOL bSaveAndValidate)
        : m_hDlg(hDlg), m_bSaveAndValidate(bSaveAndValidate) {}
    HWND m_hDlg;
    BOOL m_bSaveAndValidate;
};

void DDX_Text(CDataExchange* pDX, int nID, std::string& value);
void DDX_Check(CDataExchange* pDX, int nID, BOOL& value);
