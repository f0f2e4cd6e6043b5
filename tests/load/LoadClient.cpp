#include "LoadClient.h"

#include "RemoteTree.h"

#include <sstream>

namespace {

constexpr WORD kOpenChat = 32786;
constexpr int kTree = 1000, kChatInput = 1031;
constexpr const char kChatCaption[] = "BriskoPC - ";

bool Ready(const ClientProcess& client) {
    RemoteTree tree(client.Process(), client.Child(kTree));
    int up = 0;
    for (const RemoteTreeItem& item : tree.ChildrenOf("Połączenie"))
        up += item.strText.rfind("BPC: 2", 0) == 0 || item.strText.rfind("DB: 1", 0) == 0 ||
              item.strText == "Socks: 2, otwarta sesja";
    return up == 3 && tree.ChildrenOf("Kontakty").size() == kLoadContacts;
}

} // namespace

std::vector<LoadContact> LoadContacts(SimControl& sim) {
    std::vector<LoadContact> contacts;
    for (const std::string& line : sim.Contacts(kLoadLogin)) {
        std::istringstream fields(line);
        LoadContact c;
        if (std::getline(fields, c.strName, ';') && std::getline(fields, c.strNumber, ';'))
            contacts.push_back(c);
    }
    return contacts;
}

std::vector<HWND> ChatWindows(const ClientProcess& client) {
    std::vector<HWND> chats;
    for (HWND hWnd : client.AllDialogs())
        if (::GetDlgItem(hWnd, kChatInput) && WindowText(hWnd).rfind(kChatCaption, 0) == 0)
            chats.push_back(hWnd);
    return chats;
}

std::string StartLoggedIn(ClientProcess& client, SimControl& sim, const std::string& program) {
    const std::vector<LoadContact> contacts = LoadContacts(sim);
    if (contacts.size() != kLoadContacts)
        return "the simulator has " + std::to_string(contacts.size()) + " contacts of " +
               kLoadLogin + ", not " + std::to_string(kLoadContacts);
    WriteClientProfile(SimControl::HttpsPort(), kLoadLogin, kLoadPassword);
    if (!client.Open(program))
        return "the client did not start";
    if (!WaitFor([&] { return Ready(client); }, 60000))
        return "the client did not log in with every contact shown within 60 s";
    RemoteTree tree(client.Process(), client.Child(kTree));
    const std::vector<RemoteTreeItem> shown = tree.ChildrenOf("Kontakty");
    for (int i = 0; i < kChats; ++i) {
        const std::string& name = contacts[i].strName;
        bool selected = false;
        for (const RemoteTreeItem& item : shown)
            if (item.strText.rfind(name, 0) == 0)
                selected = tree.Select(item.hItem);
        if (!selected)
            return "no " + name + " in the tree";
        ::PostMessageA(client.Main(), WM_COMMAND, kOpenChat, 0);
        if (!WaitFor(
                [&] {
                    for (HWND h : ChatWindows(client))
                        if (WindowText(h) == kChatCaption + name && ::IsWindowVisible(h))
                            return true;
                    return false;
                },
                5000))
            return "the chat window of " + name + " did not open";
    }
    return {};
}
