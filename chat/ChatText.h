// The texts of instant messages: the service's answers that carry them, the
// history's line headers, and which announced messages are still to fetch.
// Portable: it knows nothing of windows.
#pragma once

#include <cstddef>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

// The longest message a chat window sends.
constexpr size_t kMaxChatText = 900;

// RECEIVEMSGOK: one stored message, or a presence the service tells this way.
struct ReceivedMessage {
    int nUserId = 0;
    std::string strKind; // "1" a user's, "100" system, "101" / "102" login / logoff
    std::string strTime; // "YYYY-MM-DD HH:MM:SS"
    std::string strText; // the message, or the contact's number for 101 and 102
};
// False when the answer is not RECEIVEMSGOK. Missing lines read as empty.
bool ParseReceivedMessage(const char* response, ReceivedMessage& m);

// USEROK: who a sender unknown to the contacts is.
struct UserInfo {
    int nUserId = 0;
    std::string strName;
    std::string strNumber;
};
bool ParseUserInfo(const char* response, UserInfo& u);

// "[HH:MM] <name> ": the hour and minute are characters 11 to 15 of the time
// text, as many of them as it has.
std::string MessageHeader(const std::string& time, const std::string& name);

// The announced messages not yet shown. Each is fetched until the service
// gives it or refuses it, a bounded number of times; one fetched twice (a
// second announcement, an answer after a retry) is shown once.
class CPendingMessages {
public:
    // How often a message is asked for before the client gives up on it.
    static constexpr int kMaxTries = 10;

    // An announcement: false when the message is known already (pending or shown).
    bool Announce(int nMsgId);
    // The pending messages that no request is fetching now, oldest first, at
    // most `limit`; each is counted as being fetched from now on.
    std::vector<int> TakeForFetch(size_t limit);
    // The fetch ended without the message; true when that was its last try,
    // and it is given up.
    bool FetchFailed(int nMsgId);
    // The service gave the message: true the first time, when it is to be shown.
    bool Fetched(int nMsgId);
    // The service does not have it: it is given up.
    void Refused(int nMsgId);
    // Everything pending belongs to a login left behind.
    void Clear();
    // The ids still pending, fetching or not, in order.
    std::vector<int> Ids() const;
    bool WasShown(int nMsgId) const { return m_shown.count(nMsgId) != 0; }
    size_t PendingCount() const { return m_pending.size(); }

private:
    // The ids shown lately, kept so that a late second answer is not shown
    // again; older ones are forgotten.
    static constexpr size_t kShownKept = 4096;
    static constexpr size_t kMaxPending = 10000;
    struct Pending {
        int nTries = 0;
        bool bFetching = false;
    };
    void Remember(int nMsgId);
    std::map<int, Pending> m_pending;
    std::set<int> m_shown;
    std::deque<int> m_shownOrder;
};

// A piece of a conversation shown as rich text: bold for the line headers.
struct RichPiece {
    std::string strText;
    bool bBold = false;
};
// The pieces as one RTF document in cp1250, Tahoma 9 points, in the colour
// given as red, green and blue: earlier messages go into the history at once.
std::string RichTextOf(const std::vector<RichPiece>& pieces, unsigned char red, unsigned char green,
                       unsigned char blue);
