// The tree's clicks and context menus, and the commands that add, change and
// remove contacts. The commands only ask the service; the tree changes when
// it confirms.
#include "BriskoPCDlg.h"

#include "ContactDlg.h"
#include "MessageBox.h"
#include "WinApp.h"
#include "resource.h"

#include <windowsx.h>

namespace {
// What a right click on a contact offers.
enum MenuKind { KIND_CONTACT, KIND_TEMPORARY, KIND_NOT_USER, KIND_PSEUDO };

bool IsContactData(LPARAM d) {
    return d >= 100 && d <= 500;
}

// Commands that need the service's own contact list, not its copy from the file.
const UINT kServiceCommands[] = {ID_OPEN_CHAT, ID_CONTACT_NEW, ID_CONTACT_EDIT, ID_CONTACT_DELETE,
                                 ID_SMS_ARCHIVE};
} // namespace

// The item under the cursor, selected; null when the click hit no item itself.
HTREEITEM CBriskoPCDlg::HitTreeItem() {
    DWORD pos = ::GetMessagePos();
    POINT pt = {GET_X_LPARAM(pos), GET_Y_LPARAM(pos)};
    ::ScreenToClient(m_wndTree, &pt);
    UINT flags = 0;
    HTREEITEM item = m_wndTree.HitTest(pt, &flags);
    if (!item)
        return nullptr;
    m_wndTree.SelectItem(item);
    return flags & TVHT_ONITEM ? item : nullptr;
}

void CBriskoPCDlg::OnTreeClick(NMHDR*, LRESULT* pResult) {
    *pResult = 0;
    HTREEITEM item = HitTreeItem();
    if (!item)
        return;
    LPARAM d = m_wndTree.GetItemData(item);
    if (IsContactData(d)) {
        if (ShowChatOfHighlighted(static_cast<int>(d)))
            return;
        if (Contact* c = m_contacts.FindByTreeId(static_cast<int>(d)))
            m_contacts.EndReportHighlight(c);
        SendSmsCommand(0, static_cast<int>(d));
    } else if (IsMessageListId(d)) {
        MessageRecord* r = m_messages.FindByListId(static_cast<int>(d));
        if (r && r->bInOutbox)
            EditOutboxSms(r);
        else if (r)
            ShowMessageText(r->strText);
    }
}

void CBriskoPCDlg::OnTreeRightClick(NMHDR*, LRESULT* pResult) {
    *pResult = 0;
    HTREEITEM item = HitTreeItem();
    if (!item)
        return;
    LPARAM d = m_wndTree.GetItemData(item);
    if (IsContactData(d)) {
        int kind = KIND_CONTACT;
        if (const Contact* c = m_contacts.FindByTreeId(static_cast<int>(d))) {
            if (c->bTemporary)
                kind = KIND_TEMPORARY;
            if (c->nPresence == -1)
                kind = KIND_NOT_USER;
            if (c->strNumber == kPseudoContactNumber)
                kind = KIND_PSEUDO;
        }
        ShowTreeMenu(d, kind);
    } else if (IsMessageListId(d) || d == 1 || d == 2) {
        ShowTreeMenu(d, KIND_CONTACT);
    }
}

BOOL CBriskoPCDlg::ShowTreeMenu(LPARAM d, int kind) {
    UINT id;
    if (d >= 99 && d <= 500)
        id = kind == KIND_TEMPORARY ? IDR_MENU_TEMPORARY
             : kind == KIND_PSEUDO  ? IDR_MENU_PSEUDO
                                    : IDR_MENU_CONTACT;
    else if (d == 1)
        id = IDR_MENU_CONTACTS;
    else if (d == 2)
        id = IDR_MENU_OUTBOX;
    else if (IsMessageListId(d))
        id = IDR_MENU_MESSAGE;
    else
        return TRUE;
    HMENU menu = ::LoadMenuW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(id));
    if (!menu)
        return FALSE;
    HMENU popup = ::GetSubMenu(menu, 0);
    if (d >= 99 && d <= 500) {
        if (kind == KIND_NOT_USER)
            ::EnableMenuItem(popup, ID_OPEN_CHAT, MF_BYCOMMAND | MF_GRAYED);
        if (m_nContactsSource == 1)
            for (UINT command : kServiceCommands)
                ::EnableMenuItem(popup, command, MF_BYCOMMAND | MF_GRAYED);
        ::SetMenuItemBitmaps(popup, ID_OPEN_CHAT, MF_BYCOMMAND, m_bmp156, m_bmp157);
        if (Contact* c = m_contacts.FindByTreeId(static_cast<int>(d));
            !c || !m_chatHistory.Has(c->strNumber))
            ::EnableMenuItem(popup, ID_CLEAR_HISTORY, MF_BYCOMMAND | MF_GRAYED);
    }
    POINT pt;
    ::GetCursorPos(&pt);
    ::TrackPopupMenu(popup, TPM_LEFTALIGN, pt.x, pt.y, 0, m_hWnd, nullptr);
    ::DestroyMenu(menu);
    return TRUE;
}

// The contact of the selected item, if it is one.
Contact* CBriskoPCDlg::SelectedContact() const {
    HTREEITEM item = m_wndTree.GetSelectedItem();
    LPARAM d = item ? m_wndTree.GetItemData(item) : 0;
    return d >= 100 ? m_contacts.FindByTreeId(static_cast<int>(d)) : nullptr;
}

void CBriskoPCDlg::TellNumberTaken(const std::string& number) {
    AfxMessageBox("Istnieje już kontakt o numerze: " + number + ".");
}

void CBriskoPCDlg::OnAddNewContact() {
    CContactDlg dlg;
    if (dlg.DoModal() != IDOK)
        return;
    if (m_contacts.FindByNumber("+48" + dlg.m_strNumber)) {
        TellNumberTaken(dlg.m_strNumber);
        return;
    }
    auto r = std::make_unique<Contact>();
    r->strName = dlg.m_strName;
    r->strNumber = dlg.m_strNumber;
    SendContactRequest("ADDNEW", std::move(r));
}

void CBriskoPCDlg::OnEditContact() {
    Contact* c = SelectedContact();
    if (!c)
        return;
    int id = c->nTreeId;
    CContactDlg dlg;
    dlg.m_strName = c->strName;
    dlg.m_strNumber = NationalNumber(c->strNumber);
    // An answer may remove the contact while the dialog is open.
    if (dlg.DoModal() != IDOK || !(c = m_contacts.FindByTreeId(id)))
        return;
    auto r = std::make_unique<Contact>();
    r->strName = dlg.m_strName;
    r->strNumber = NationalNumber(c->strNumber);
    r->strNewNumber = dlg.m_strNumber;
    r->nTreeId = c->nTreeId;
    if (r->strNewNumber != r->strNumber && m_contacts.FindByNumber("+48" + r->strNewNumber)) {
        TellNumberTaken(r->strNewNumber);
        return;
    }
    SendContactRequest("EDIT", std::move(r));
}

void CBriskoPCDlg::OnDeleteContact() {
    Contact* c = SelectedContact();
    if (!c)
        return;
    int id = c->nTreeId;
    // An answer may remove the contact while the question is open.
    if (MessageBoxFor(m_hWnd, "Czy napewno usunąć kontakt?", "Uwaga", MB_YESNO) != IDYES ||
        !(c = m_contacts.FindByTreeId(id)))
        return;
    auto r = std::make_unique<Contact>();
    r->strName = c->strName;
    r->strNumber = NationalNumber(c->strNumber);
    r->nTreeId = c->nTreeId;
    SendContactRequest("DELETE", std::move(r));
}

void CBriskoPCDlg::OnAddToContacts() {
    const Contact* c = SelectedContact();
    if (!c)
        return;
    auto r = std::make_unique<Contact>();
    r->strName = c->strName;
    r->strNumber = c->strNumber;
    r->nTreeId = c->nTreeId;
    SendContactRequest("ADDCONTACT", std::move(r));
}
