// helpshots.exe DIR: the help's screenshots, taken from the real client
// against the simulator, as a user would meet each window. DIR is a Unix
// folder; each window is cut out of the screen into DIR/<name>.png.
#include "ClientProcess.h"
#include "RemoteTree.h"
#include "SimControl.h"
#include "resource.h"

#include <cstdio>
#include <string>

namespace {

const char kLogin[] = "+48600100200";
const char kPassword[] = "haslo123";

std::string g_dir;
int g_nFailures = 0;

void Fail(const char* what) {
    std::printf("helpshots: %s\n", what);
    ++g_nFailures;
}

void Shot(bool taken, const char* name) {
    if (taken)
        std::printf("helpshots: %s\n", name);
    else
        Fail(name);
}

// A moment first, for the window to be drawn whole.
void Shoot(HWND window, const char* name) {
    ::Sleep(1000);
    Shot(window && ShootWindow(window, g_dir + "/" + name), name);
}

void Command(const ClientProcess& client, UINT id) {
    ::PostMessageA(client.Main(), WM_COMMAND, id, 0);
}

HWND DialogWith(const ClientProcess& client, int nID, DWORD ms = 10000) {
    return client.WaitForDialog([nID](HWND w) { return ::GetDlgItem(w, nID) != nullptr; }, ms);
}

void SetText(HWND dialog, int nID, const char* text) {
    SetControlText(::GetDlgItem(dialog, nID), text);
}

// Typed key by key: a multi-line edit tells no change of a text set whole.
void Type(HWND dialog, int nID, const char* text) {
    for (const char* c = text; *c; ++c)
        ::PostMessageA(::GetDlgItem(dialog, nID), WM_CHAR, static_cast<unsigned char>(*c), 1);
    ::Sleep(500);
}

// The window's contact whose label starts with `name`.
HTREEITEM Contact(const ClientProcess& client, const std::string& name) {
    RemoteTree tree(client.Process(), client.Child(IDC_TREE));
    for (const RemoteTreeItem& item : tree.All(2))
        if (item.strText.rfind(name, 0) == 0)
            return item.hItem;
    return nullptr;
}

bool SelectContact(const ClientProcess& client, const std::string& name) {
    HTREEITEM item = Contact(client, name);
    RemoteTree tree(client.Process(), client.Child(IDC_TREE));
    return item && tree.Select(item);
}

// The login dialog answered with the password, shot first when `shot` names it.
bool LogIn(const ClientProcess& client, const char* shot) {
    HWND login = DialogWith(client, IDC_REMEMBER);
    if (!login)
        return false;
    SetText(login, IDC_PASSWORD, kPassword);
    if (shot)
        Shoot(login, shot);
    Press(login, IDOK);
    return true;
}

// Logged in by hand, then the window with the contacts in their presences.
void LoginAndContacts(SimControl& sim, ClientProcess& client) {
    if (!LogIn(client, "login.png"))
        return Fail("no login dialog");
    for (auto [number, presence] : {std::pair{"+48600100201", 1},
                                    {"+48600100202", 2},
                                    {"+48600100203", 3},
                                    {"+48600100204", 0}})
        sim.SetPresence(number, presence);
    if (!WaitFor([&] { return Contact(client, "Jan Kowalski") != nullptr; }, 15000))
        return Fail("no contacts after the login");
    ::Sleep(2000);
    Shoot(client.Main(), "main-window.png");
}

// An SMS written to Jan Kowalski, its delivery report, the status report.
void SmsAndReports(const ClientProcess& client) {
    Command(client, ID_MENU_SEND_SMS);
    HWND sms = DialogWith(client, IDC_SMS_CLASS0);
    if (!sms)
        return Fail("no SMS dialog");
    SetText(sms, IDC_SMS_NUMBER, "600100201");
    Type(sms, IDC_SMS_TEXT, "Do zobaczenia jutro o \xf3smej!");
    Shoot(sms, "sms.png");
    Press(sms, IDOK);
    // The service reports the delivery two seconds later.
    ::Sleep(4000);
    for (HWND box : client.Dialogs())
        Press(box, IDOK);
    // The SMS hangs under its contact, with its report.
    ::PostMessageA(client.Child(IDC_TREE), TVM_EXPAND, TVE_EXPAND,
                   reinterpret_cast<LPARAM>(Contact(client, "Jan Kowalski")));
    Shoot(client.Main(), "push-events.png");
    Command(client, ID_SMS_STATUS);
    HWND status = DialogWith(client, IDC_STATUS_LIST);
    if (!status)
        return Fail("no status report");
    ::Sleep(1500);
    Shoot(status, "sms-status.png");
    Press(status, IDOK);
}

// A message from Jan Kowalski, then his chat window opened from the tree.
HWND JansChat(SimControl& sim, const ClientProcess& client, const char* message) {
    sim.PushMessage(kLogin, "+48600100201", 1, message);
    ::Sleep(2000);
    if (!SelectContact(client, "Jan Kowalski"))
        return nullptr;
    Command(client, ID_OPEN_CHAT);
    return DialogWith(client, IDC_CHAT_INPUT);
}

// A message from Jan Kowalski, answered in his chat window.
void Chat(SimControl& sim, const ClientProcess& client) {
    HWND chat = JansChat(sim, client, "Cze\x9c\xe6 Zosiu! Co s\xb3ychu\xe6?");
    if (!chat)
        return Fail("no chat window");
    Type(chat, IDC_CHAT_INPUT, "Dzi\xeakuj\xea, wszystko dobrze!");
    Press(chat, IDOK);
    ::Sleep(2000);
    Shoot(chat, "chat.png");
    Press(chat, IDC_CHAT_HIDE);
}

void SettingsLockAbout(const ClientProcess& client) {
    Command(client, ID_SETTINGS);
    if (HWND settings = DialogWith(client, IDC_AUTOSTART)) {
        Shoot(settings, "settings.png");
        Press(settings, IDCANCEL);
    } else {
        Fail("no settings dialog");
    }
    Command(client, ID_APP_ABOUT);
    if (HWND about = client.WaitForDialog(
            [](HWND w) { return WindowText(w) == "BriskoPC - informacje"; }, 10000)) {
        Shoot(about, "about.png");
        Press(about, IDOK);
    } else {
        Fail("no about box");
    }
    ::Sleep(500);
    Command(client, ID_LOCK);
    ::Sleep(1500);
    Shoot(client.Main(), "locked.png");
    Command(client, ID_UNLOCK);
    if (HWND password = DialogWith(client, IDC_PASSWORD)) {
        SetText(password, IDC_PASSWORD, kPassword);
        Press(password, IDOK);
    } else {
        Fail("no password dialog");
    }
    ::Sleep(1000);
}

// Hidden in the tray, a message shows its balloon by the clock.
void Balloon(SimControl& sim, const ClientProcess& client) {
    ::PostMessageA(client.Main(), WM_CLOSE, 0, 0);
    ::Sleep(1000);
    sim.PushMessage(kLogin, "+48600100202", 1, "Masz chwil\xea?");
    ::Sleep(2500);
    RECT screen;
    ::GetWindowRect(::GetDesktopWindow(), &screen);
    Shot(ShootScreen({screen.right - 440, screen.bottom - 200, screen.right, screen.bottom},
                     g_dir + "/balloon.png"),
         "balloon.png");
}

// Started again, Jan Kowalski's chat window shows the conversation of before
// in grey, above a new message.
void ChatAfterRestart(SimControl& sim, ClientProcess& client) {
    if (!client.Start() || !LogIn(client, nullptr))
        return Fail("no login after the restart");
    if (!WaitFor([&] { return Contact(client, "Jan Kowalski") != nullptr; }, 15000))
        return Fail("no contacts after the restart");
    // The service names the user a moment after the contacts come.
    ::Sleep(2000);
    HWND chat = JansChat(sim, client, "Jeste\x9c ju\xbf z powrotem?");
    if (!chat)
        return Fail("no chat window after the restart");
    Shoot(chat, "chat-history.png");
    Press(chat, IDC_CHAT_HIDE);
}

// A newer version after the next login: yes, a place to save, the download.
void Download(SimControl& sim, ClientProcess& client) {
    sim.SetInstallerSize(4 * 1024 * 1024);
    sim.InstallerRate(200 * 1024);
    sim.SetVersion("0.23");
    WriteClientProfile(SimControl::HttpsPort(), kLogin, kPassword);
    if (!client.Start())
        return Fail("the client did not start again");
    HWND question = client.WaitForDialog(
        [](HWND w) { return DialogText(w).find("nowa wersja") != std::string::npos; }, 15000);
    if (!question)
        return Fail("no update question");
    Press(question, IDYES);
    HWND save = client.WaitForDialog(
        [](HWND w) { return ::GetDlgItem(w, 1148) || ::GetDlgItem(w, 1152); }, 10000);
    if (!save)
        return Fail("no save dialog");
    const std::string target = ScratchPath("briskopc-helpshots-setup.exe");
    ::DeleteFileA(target.c_str());
    for (int id : {1148, 1152})
        if (HWND box = ::GetDlgItem(save, id); box && ::IsWindowVisible(box))
            SetControlText(box, target);
    Press(save, IDOK);
    HWND download = DialogWith(client, IDC_DOWNLOAD_PROGRESS);
    if (!download)
        return Fail("no download dialog");
    // Past the first second, the rate and the time left show.
    ::Sleep(3500);
    Shoot(download, "download.png");
    Press(download, IDCANCEL);
    ::Sleep(2000);
    ::DeleteFileA(target.c_str());
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 || SimControl::HttpsPort() == 0) {
        std::printf(
            "usage: helpshots.exe UNIXDIR (with the simulator's ports in the environment)\n");
        return 2;
    }
    g_dir = argv[1];
    SimControl sim;
    if (!sim.StartAfresh())
        return Fail("the simulator does not answer"), 1;
    WriteClientProfile(SimControl::HttpsPort(), kLogin, "");
    ClientProcess client;
    if (!client.Start())
        return Fail("the client did not start"), 1;
    LoginAndContacts(sim, client);
    SmsAndReports(client);
    Chat(sim, client);
    SettingsLockAbout(client);
    Balloon(sim, client);
    if (!client.Quit(10000))
        client.Kill();
    ChatAfterRestart(sim, client);
    if (!client.Quit(10000))
        client.Kill();
    Download(sim, client);
    if (client.Running() && !client.Quit(10000))
        client.Kill();
    DeleteClientProfile();
    std::printf("helpshots: %d failed\n", g_nFailures);
    return g_nFailures ? 1 : 0;
}
