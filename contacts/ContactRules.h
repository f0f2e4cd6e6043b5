// Rules of the contacts that need no window: the images of a contact's tree
// item, the checks of the contact dialog and the label of a sent SMS.
#pragma once

#include <string>

// Indexes into the tree's image list.
constexpr int kImageAvailable = 3;
constexpr int kImageLoggedOff = 5;
constexpr int kImageNotUser = 6;
constexpr int kImageMessage = 7;
constexpr int kImageSentSms = 8;
constexpr int kImageSmsReport = 9;
constexpr int kImageReport = 10;
constexpr int kImageReportNotUser = 11;
constexpr int kImageReportLoggedOff = 12;
constexpr int kImageMessageLoggedOff = 13;
constexpr int kImageBusy = 14;
constexpr int kImageAway = 17;

// The image of a presence: 3 away, 2 busy, 1 available, 0 logged off, -1 not a
// service user; 0 for anything else.
int PresenceImage(int nPresence);

// The image of a contact item from its highlight mode (0 none, 1 and 2 a
// message, 3 a delivery report, 4 just logged in), presence and the ticks of
// its highlight: on odd ticks a highlight shows instead of the presence.
int ContactImage(int nHighlightMode, int nPresence, int nHighlightTicks);

// A Polish mobile number as the dialogs take it: 9 digits beginning "60", "50" or "69".
bool IsMobileNumber(const std::string& number);

enum class ContactInput { Ok, EmptyName, NameTooLong, NameHasSemicolon, BadNumber };

// Checks the contact dialog's name and number (the 9 digits after "+48").
ContactInput CheckContactInput(const std::string& name, const std::string& number);

// The text telling the user what is wrong (cp1250); nullptr for Ok.
const char* ContactInputMessage(ContactInput input);

// The tree label of a sent SMS: the text with each CR LF as one space, its
// first 30 characters followed by "..." when it was longer. Under the
// pseudo-contact the recipient's number and ": " come first.
std::string SentSmsLabel(const std::string& text, const std::string& number, bool bPseudoContact);
