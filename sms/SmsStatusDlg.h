// The service's report on the SMS sent from the account, one row an SMS.
#pragma once

#include "Dialog.h"

#include <string>

class CSmsStatusDlg : public CDialog {
public:
    CSmsStatusDlg();
    // The answer the rows are read from.
    void SetReport(std::string report) { m_strReport = std::move(report); }

    BOOL OnInitDialog() override;

private:
    BOOL OnSize(WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    BOOL OnGetMinMaxInfo(WPARAM wParam, LPARAM lParam, LRESULT* pResult);

    std::string m_strReport;

    DECLARE_MESSAGE_MAP()
};
