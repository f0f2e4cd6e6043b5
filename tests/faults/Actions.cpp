// The user's side: menu commands to the main window, and the client's own
// dialogs filled in and confirmed as a user would.
#include "FaultRun.h"
#include "RemoteTree.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr WORD kWriteSms = 32778, kDeleteSms = 32807, kEditSms = 32808, kSendOutbox = 32806;
constexpr WORD kAddContact = 32777, kEditContact = 32775, kDeleteContact = 32776;
constexpr WORD kLogOff = 32784, kChangeLogin = 32780, kOpenChat = 32786;
constexpr WORD kLock = 32790, kUnlock = 32791;
constexpr int kSmsNumber = 1002, kSmsText = 1003, kSmsClass0 = 1009;
constexpr int kContactName = 1020, kContactNumber = 1021;
constexpr int kLoginEdit = 1005, kPasswordEdit = 1006, kRemember = 1008;
constexpr int kChatInput = 1031;
constexpr DWORD kDialogMs = 5000;

const char kOutbox[] = "Skrzynka Nadawcza";
const char kContactsRoot[] = "Kontakty";

void SetText(HWND hDlg, int control, const std::string& text) {
    SetControlText(::GetDlgItem(hDlg, control), text);
}

void SetCheck(HWND hDlg, int control, bool on) {
    DWORD_PTR ignored;
    ::SendMessageTimeoutA(::GetDlgItem(hDlg, control), BM_SETCHECK,
                          on ? BST_CHECKED : BST_UNCHECKED, 0, SMTO_ABORTIFHUNG, 2000, &ignored);
}

// Nine digits unique to the seed and the counter: 69, the seed, the kind, the counter.
std::string Number(uint32_t seed, int kind, int n) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "69%04u%d%02d", seed % 10000, kind, n % 100);
    return digits;
}

} // namespace

void FaultRun::SendCommand(WORD id) {
    ::PostMessageA(m_client.Main(), WM_COMMAND, id, 0);
}

HWND FaultRun::OpenDialog(WORD command, int control) {
    SendCommand(command);
    HWND hDlg = nullptr;
    WaitFor([&] { return (hDlg = KnownDialog(control)) != nullptr; }, kDialogMs);
    return hDlg;
}

bool FaultRun::Confirm(HWND hDlg) {
    ::PostMessageA(hDlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(hDlg, IDOK)));
    if (WaitFor([hDlg] { return !::IsWindow(hDlg) || !::IsWindowVisible(hDlg); }, kDialogMs))
        return true;
    Note("the dialog stayed open after OK: " + DialogText(hDlg) + "; cancelled");
    ::PostMessageA(hDlg, WM_COMMAND, IDCANCEL, 0);
    return false;
}

// Selects an item under `root` whose data lies in the range and whose label
// begins with `text`.
bool FaultRun::SelectItem(const std::string& root, int minData, int maxData,
                          const std::string& text) {
    RemoteTree tree(m_client.Process(), m_client.Child(1000));
    for (const RemoteTreeItem& item : tree.ChildrenOf(root))
        if (item.lParam >= minData && item.lParam <= maxData &&
            item.strText.compare(0, text.size(), text) == 0)
            return tree.Select(item.hItem);
    return false;
}

void FaultRun::Do(const PlannedStep& s) {
    if (m_bClientDown && s.step != Step::Restart)
        return;
    // Locked, the menu offers unlocking and quitting only.
    if (m_bLocked && s.step != Step::Unlock && s.step != Step::Quit && s.step != Step::Kill)
        return;
    Note(StepName(s.step));
    switch (s.step) {
    case Step::WriteSms:
        WriteSms();
        break;
    case Step::EditSms:
        EditSms();
        break;
    case Step::DeleteSms:
        DeleteSms();
        break;
    case Step::SendOutbox:
        SendCommand(kSendOutbox);
        break;
    case Step::AddContact:
        AddContact();
        break;
    case Step::EditContact:
        EditContact();
        break;
    case Step::DeleteContact:
        DeleteContact();
        break;
    case Step::LogOff:
        SendCommand(kLogOff);
        m_bLoggedOff = true;
        NewEpoch();
        break;
    case Step::LogIn:
        if (m_bLoggedOff)
            LogIn(false);
        break;
    case Step::ChangeLogin:
        LogIn(Random(0, 3) == 0);
        break;
    case Step::Quit:
        m_client.Quit(0);
        m_bClientDown = true;
        NewEpoch();
        break;
    case Step::Kill:
        m_client.Kill();
        m_bClientDown = true;
        NewEpoch();
        break;
    case Step::Restart:
        Restart();
        break;
    case Step::SendChat:
        SendChat();
        break;
    case Step::Lock:
        Lock();
        break;
    case Step::Unlock:
        Unlock();
        break;
    default:
        break;
    }
}

void FaultRun::WriteSms() {
    // Logged off, the menu has no SMS commands.
    if (m_bLoggedOff)
        return;
    const int n = ++m_nSmsCount;
    WrittenSms sms{Number(m_nSeed, 1, n),
                   "FZ" + std::to_string(m_nSeed) + "N" + std::to_string(n) + ":"};
    HWND hDlg = OpenDialog(kWriteSms, kSmsNumber);
    if (!hDlg) {
        Note("the compose dialog did not open");
        return;
    }
    const bool class0 = Random(0, 3) == 0;
    SetText(hDlg, kSmsNumber, sms.strNumber);
    SetText(hDlg, kSmsText, sms.strTag + std::string(Random(0, 250), 'a' + n % 26));
    SetCheck(hDlg, kSmsClass0, class0);
    if (!Confirm(hDlg))
        return;
    Note("wrote " + sms.strTag + " to +48" + sms.strNumber + (class0 ? " (class 0)" : ""));
    m_sms.push_back(sms);
}

void FaultRun::EditSms() {
    for (const WrittenSms& sms : m_sms) {
        if (sms.bDeleted || !SelectItem(kOutbox, 1000, 1999, "+48" + sms.strNumber))
            continue;
        HWND hDlg = OpenDialog(kEditSms, kSmsText);
        if (!hDlg) {
            Note("the edit dialog did not open");
            return;
        }
        SetText(hDlg, kSmsText, sms.strTag + " zmieniony " + std::string(Random(0, 100), 'z'));
        if (Confirm(hDlg))
            Note("edited " + sms.strTag);
        return;
    }
}

void FaultRun::DeleteSms() {
    const size_t from = m_sms.empty() ? 0 : Random(0, m_sms.size() - 1);
    for (size_t i = 0; i < m_sms.size(); ++i) {
        WrittenSms& sms = m_sms[(from + i) % m_sms.size()];
        if (sms.bDeleted || !SelectItem(kOutbox, 1000, 1999, "+48" + sms.strNumber))
            continue;
        SendCommand(kDeleteSms);
        sms.bDeleted = true;
        Note("deleted " + sms.strTag);
        return;
    }
}

void FaultRun::AddContact() {
    // Offline the contact commands are greyed.
    if (m_bLoggedOff || !LoggedIn())
        return;
    const int n = ++m_nContactCount;
    const std::string name = "FZ " + std::to_string(m_nSeed) + " kontakt " + std::to_string(n);
    HWND hDlg = OpenDialog(kAddContact, kContactName);
    if (!hDlg) {
        Note("the contact dialog did not open");
        return;
    }
    SetText(hDlg, kContactName, name);
    SetText(hDlg, kContactNumber, Number(m_nSeed, 2, n));
    if (Confirm(hDlg))
        m_contacts.push_back(name);
}

void FaultRun::EditContact() {
    if (m_bLoggedOff || !LoggedIn() || !SelectItem(kContactsRoot, 100, 499, "FZ "))
        return;
    HWND hDlg = OpenDialog(kEditContact, kContactName);
    if (!hDlg) {
        Note("the contact dialog did not open");
        return;
    }
    SetText(hDlg, kContactName,
            "FZ " + std::to_string(m_nSeed) + " zmieniony " + std::to_string(Random(0, 999)));
    Confirm(hDlg);
}

void FaultRun::DeleteContact() {
    // The client asks first; the box answerer says Yes.
    if (!m_bLoggedOff && LoggedIn() && SelectItem(kContactsRoot, 100, 499, "FZ "))
        SendCommand(kDeleteContact);
}

void FaultRun::LogIn(bool bWrongPassword) {
    HWND hDlg = OpenDialog(kChangeLogin, kLoginEdit);
    if (!hDlg) {
        Note("the login dialog did not open");
        return;
    }
    FillLogin(hDlg, bWrongPassword);
}

void FaultRun::FillLogin(HWND hDlg, bool bWrongPassword) {
    SetText(hDlg, kLoginEdit, kLogin);
    SetText(hDlg, kPasswordEdit, bWrongPassword ? "zle-haslo" : kPassword);
    SetCheck(hDlg, kRemember, Random(0, 1) == 1);
    if (Confirm(hDlg)) {
        Note(bWrongPassword ? "logged in with a wrong password" : "logged in");
        m_bLoggedOff = bWrongPassword;
        // The login before is left behind, its contacts and their chats with it.
        NewEpoch();
    }
}

// A client told to end has 15 s to do so, its boxes answered meanwhile.
void FaultRun::AwaitEnd() {
    if (m_client.Running() && !WaitFor(
                                  [this] {
                                      AnswerBoxes(true);
                                      return !m_client.Running();
                                  },
                                  15000)) {
        Fail("still running 15 s after Zakończ");
        m_client.Kill();
    }
}

void FaultRun::Restart() {
    AwaitEnd();
    m_boxes.clear();
    if (!m_client.Start())
        Fail("the client did not start again");
    m_bClientDown = false;
    NewEpoch();
}

void FaultRun::NewEpoch() {
    // Whatever ended the epoch ended the lock with it, or it cannot have been locked.
    m_bLocked = false;
    ++m_nEpoch;
    m_dwEpochAt = Elapsed();
}

void FaultRun::Lock() {
    // The lock is in the logged-in menu only.
    if (m_bLoggedOff)
        return;
    SendCommand(kLock);
    m_bLocked = WaitFor([this] { return WindowText(m_client.Main()) == "Zablokowany"; }, kDialogMs);
    if (!m_bLocked)
        Fail("the lock did not lock");
}

void FaultRun::Unlock() {
    if (!m_bLocked)
        return;
    HWND hDlg = OpenDialog(kUnlock, kPasswordEdit);
    if (!hDlg) {
        Fail("the password dialog did not open");
        return;
    }
    SetText(hDlg, kPasswordEdit, kPassword);
    if (!Confirm(hDlg))
        return;
    if (!WaitFor([this] { return WindowText(m_client.Main()) != "Zablokowany"; }, kDialogMs))
        Fail("the account's password did not unlock the client");
    m_bLocked = false;
}

// From the contact's chat window, opened from the tree as a user would; not
// while the field is greyed by a message on its way, as a user could not write.
void FaultRun::SendChat() {
    if (m_bLoggedOff)
        return;
    const std::vector<UserContact> users = UserContacts(m_sim.Contacts(kLogin));
    if (users.empty())
        return;
    const UserContact& to = users[Random(0, static_cast<uint32_t>(users.size() - 1))];
    if (!SelectItem(kContactsRoot, 100, 499, to.strName)) {
        Note("no " + to.strName + " in the tree to write to");
        return;
    }
    SendCommand(kOpenChat);
    HWND hChat = nullptr;
    const std::string caption = "BriskoPC - " + to.strName;
    WaitFor(
        [&] {
            for (HWND h : m_client.Dialogs())
                if (::GetDlgItem(h, kChatInput) && WindowText(h) == caption)
                    hChat = h;
            return hChat != nullptr;
        },
        kDialogMs);
    if (!hChat) {
        Note("the chat window of " + to.strName + " did not open");
        return;
    }
    HWND hInput = ::GetDlgItem(hChat, kChatInput);
    if (!WaitFor([hInput] { return ::IsWindowEnabled(hInput) != FALSE; }, 1000)) {
        Note("the field of " + to.strName + "'s chat is greyed: a message is on its way");
        return;
    }
    const int n = ++m_nTextCount;
    SentText text{"FZ" + std::to_string(m_nSeed) + "C" + std::to_string(n) +
                      ": dzień dobry, zażółć gęślą jaźń " + std::string(Random(1, 60), 'q'),
                  to.strName, to.strNumber, m_nEpoch, m_bSlow || Elapsed() < m_dwSlowUntil};
    SetText(hChat, kChatInput, text.strText);
    ::PostMessageA(hChat, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(hChat, IDOK)));
    // The press is taken once the field greys, or a box says why not: only
    // then may the next text go into the field.
    WaitFor(
        [&] {
            const std::vector<HWND> open = m_client.Dialogs();
            return !::IsWindowEnabled(hInput) ||
                   std::any_of(open.begin(), open.end(), [this](HWND h) { return IsBox(h); });
        },
        2000);
    Note("sent " + text.strText.substr(0, text.strText.find(':') + 1) + " to " + to.strName);
    m_texts.push_back(text);
}
