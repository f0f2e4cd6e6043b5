// The client as the memory figure and the load run use it: logged in to the
// load account (400 contacts, every one a user), ten chat windows open.
#pragma once

#include "ClientProcess.h"
#include "SimControl.h"

#include <string>
#include <vector>

// The account ./brisko seeds for them, and how many contacts it has.
constexpr const char kLoadLogin[] = "+48600300000";
constexpr const char kLoadPassword[] = "obciazenie";
constexpr size_t kLoadContacts = 400;
constexpr int kChats = 10;

struct LoadContact {
    std::string strName;
    std::string strNumber; // "+48" and 9 digits
};

// The account's contacts as the simulator lists them, in list order.
std::vector<LoadContact> LoadContacts(SimControl& sim);

// Starts `program` (BriskoPC.exe of some build) with the account's stored
// credentials and waits until it is logged in, its push session open and its
// tree showing every contact; then opens the chats of the first kChats
// contacts from the tree, as a user would. An empty text, or what failed.
std::string StartLoggedIn(ClientProcess& client, SimControl& sim, const std::string& program);

// The client's chat windows, hidden ones included.
std::vector<HWND> ChatWindows(const ClientProcess& client);
