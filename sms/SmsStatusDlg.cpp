#include "SmsStatusDlg.h"

#include "ListCtrl.h"
#include "StatusReport.h"
#include "resource.h"

#include <commctrl.h>

// clang-format off
BEGIN_MESSAGE_MAP(CSmsStatusDlg, CDialog)
    ON_MESSAGE_OR_DEFAULT(WM_SIZE, OnSize)
    ON_MESSAGE_OR_DEFAULT(WM_GETMINMAXINFO, OnGetMinMaxInfo)
END_MESSAGE_MAP()
// clang-format on

namespace {
const struct {
    const char* heading;
    int width;
} kColumns[] = {{"Lp", 20},    {"Opis", 110},      {"Od", 90},       {"Do", 90},
                {"Koszt", 40}, {"Utworzony", 100}, {"Wysłany", 100}, {"Status", 70}};
} // namespace

CSmsStatusDlg::CSmsStatusDlg() : CDialog(IDD_SMS_STATUS) {}

BOOL CSmsStatusDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CListCtrl list;
    list.Attach(GetDlgItem(IDC_STATUS_LIST));
    for (int i = 0; i < 8; ++i)
        list.InsertColumn(i, kColumns[i].heading, LVCFMT_LEFT, kColumns[i].width);
    ListView_SetExtendedListViewStyle(list,
                                      ListView_GetExtendedListViewStyle(list) | LVS_EX_GRIDLINES);
    int row = 0;
    for (const auto& record : ParseStatusReport(m_strReport)) {
        list.InsertItem(row, record[0]);
        for (int i = 1; i < 8; ++i)
            list.SetItemText(row, i, record[i]);
        ++row;
    }
    list.Detach();
    return TRUE;
}

// The button keeps to the bottom-right corner; the list takes the rest.
BOOL CSmsStatusDlg::OnSize(WPARAM, LPARAM lParam, LRESULT*) {
    int w, h;
    if (!ClientSizeInDialogUnits(lParam, &w, &h))
        return FALSE;
    MoveItem(IDOK, w - 55, h - 19, w - 5, h - 5);
    MoveItem(IDC_STATUS_LIST, 5, 5, w - 5, h - 22);
    return FALSE;
}

BOOL CSmsStatusDlg::OnGetMinMaxInfo(WPARAM, LPARAM lParam, LRESULT*) {
    reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = {400, 200};
    return FALSE;
}
