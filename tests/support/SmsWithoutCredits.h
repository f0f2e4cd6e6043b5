// An SMS written in the compose dialog of a client in another process, as the
// user writes it, while the account has no credits.
#pragma once

#include "ClientProcess.h"
#include "resource.h"

#include <string>

// The service refuses it ("Brak brisków") and it waits in the outbox; true
// when the refusal came and was closed.
inline bool SendSmsWithoutCredits(ClientProcess& client, const std::string& number,
                                  const std::string& text) {
    ::PostMessageA(client.Main(), WM_COMMAND, ID_MENU_SEND_SMS, 0);
    HWND sms = client.WaitForDialog([](HWND w) { return ::GetDlgItem(w, IDC_SMS_CLASS0); }, 10000);
    if (!sms)
        return false;
    SetControlText(::GetDlgItem(sms, IDC_SMS_NUMBER), number);
    SetControlText(::GetDlgItem(sms, IDC_SMS_TEXT), text);
    Press(sms, IDOK);
    HWND refused = client.WaitForDialog(
        [](HWND w) { return DialogText(w).find("Brak brisków") != std::string::npos; }, 15000);
    if (!refused)
        return false;
    Press(refused, IDOK);
    return true;
}
