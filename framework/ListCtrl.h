// The list view control in report view: columns of texts, row by row.
#pragma once

#include "Wnd.h"

#include <commctrl.h>

#include <string>

class CListCtrl : public CWnd {
public:
    int InsertColumn(int nCol, const std::string& heading, int nFormat, int nWidth);
    int InsertItem(int nItem, const std::string& text);
    BOOL SetItemText(int nItem, int nSubItem, const std::string& text);
};
