// The simulator's in-memory world: what the service knows. Seeded from a
// seed file (seed.hpp); the function handlers read and change it.
#pragma once

#include "seed.hpp"

#include <array>
#include <cstdint>
#include <ctime>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

// How the service shows a number to its users: the user id and presence of
// the account the number belongs to, or user id 0 and presence -1 (not a user).
struct NumberView {
    int32_t user_id = 0;
    int32_t presence = -1;
};

// Message types of the price table: a plain SMS and one with Polish letters.
inline constexpr int32_t kPlainSms = 1;
inline constexpr int32_t kUnicodeSms = 14;
inline constexpr int32_t kSmsTypes = 16;     // types 1 to 15; type 0 ends GETCOSTS' list
inline constexpr int32_t kTariffClasses = 3; // account classes 0 to 2

// Price of one SMS part in credits, by message type and account class.
using PriceTable = std::array<std::array<int32_t, kTariffClasses>, kSmsTypes>;

// An SMS the service accepted with SENDLONGSMS.
struct SentSms {
    int32_t id = 0;
    std::string account;   // the sender's login
    std::string recipient; // "+48" and 9 digits
    std::string text;      // cp1250
    bool class0 = false;
    bool unicode = false;
    int32_t cost = 0; // credits taken for all its parts
    std::time_t accepted = 0;
};

// An instant message the service keeps for its recipient until fetched (and after).
struct InstantMessage {
    int32_t id = 0;
    std::string recipient; // login
    int32_t sender = 0;    // user id; 0 for the service itself
    int32_t kind = 1;      // see the kinds below
    std::time_t sent = 0;
    std::string text; // cp1250; for a contact's login or logoff, the contact's number
};

inline constexpr int32_t kUserMessage = 1;
inline constexpr int32_t kSystemMessage = 100;
inline constexpr int32_t kContactLoginMessage = 101;
inline constexpr int32_t kContactLogoffMessage = 102;

// A text a client sent with SENDTEXT; `id` is the message stored for the receiver.
struct SentText {
    int32_t id = 0;
    std::string sender;   // login
    std::string receiver; // login
    std::string text;     // cp1250
};

// How GET /briskopc/setup.exe answers (PUT /installer/mode).
enum class DownloadMode {
    normal,       // the bytes with a Content-Length
    no_length,    // the bytes chunked: the client cannot know the size
    cut,          // the whole answer's Content-Length, half its bytes, then the connection drops
    not_found,    // 404
    unauthorized, // 401 asking for server credentials
    proxy_auth,   // 407 asking for proxy credentials
};

// The most bytes an installer may have (the control interface takes bodies this large).
inline constexpr size_t kMaxInstallerSize = 256u << 20;

// `n` pseudo-random bytes, the same ones every time.
std::string pseudo_random_bytes(size_t n);

// The installer the service serves beside its script, at least one byte.
struct Installer {
    // What DELETE /installer goes back to: a stand-in of a few KB, or the
    // file given at start.
    std::shared_ptr<const std::string> start =
        std::make_shared<const std::string>(pseudo_random_bytes(6000));
    // Shared, so that a download goes on with the bytes it began with.
    std::shared_ptr<const std::string> content = start;
    DownloadMode mode = DownloadMode::normal;
    int32_t rate = 0; // bytes per second; 0: as fast as it goes
    // One line per download request: "<status> <Range header or ->\n".
    std::string requests;
};

struct World;

// Where the world's push events go: the push server, when one runs.
class PushSink {
public:
    virtual ~PushSink() = default;
    // One event frame to every open session of `login`; with none, the event
    // is logged as not sent.
    virtual void send_event(const std::string& login, int32_t type, uint32_t param) = 0;
    virtual bool has_session(const std::string& login) = 0;
    // The SMS's delivery report goes to `login` after the report delay.
    virtual void schedule_report(const std::string& login, int32_t sms_id) = 0;
    // `task` runs on the world (under the service's lock) after `ms`.
    virtual void later(int ms, std::function<void(World&)> task) = 0;
};

// A contact who is a user of the service: the login and the user id.
struct ContactUser {
    std::string login;
    int32_t user_id = 0;
};

struct World {
    std::vector<Account> accounts;

    // Each account's presence by login: 0 logged off (also when absent),
    // 1 available, 2 busy, 3 away; -1 can be set to play "not a user".
    std::map<std::string, int32_t, std::less<>> presences;
    // Each account's contact list by login (absent: empty), in the order the
    // entries were added.
    std::map<std::string, std::vector<Contact>, std::less<>> contacts;

    // Where LOGIN sends the client for its push connection. The port stays 0
    // until a push server listens.
    std::string push_host = "127.0.0.1";
    int push_port = 0;

    // Logged-in web sessions: the client's session cookie -> account login.
    // Several clients may be logged in to one account at once.
    std::map<std::string, std::string> web_sessions;
    // The id the last LOGINPC gave each account (login -> 36 characters),
    // which the push server accepts in its session handshake.
    std::map<std::string, std::string> pc_sessions;

    PriceTable prices = default_prices();
    // Accepted SMS in order of acceptance; ids go on rising when it is cleared.
    std::vector<SentSms> sms;
    int32_t next_sms_id = 123456;

    // Instant messages, oldest first, ids rising from 1; the oldest are
    // forgotten beyond kMaxMessages.
    std::deque<InstantMessage> messages;
    int32_t next_message_id = 1;
    static constexpr size_t kMaxMessages = 1000000;
    // Every text accepted by SENDTEXT, oldest first, the last kMaxMessages.
    std::deque<SentText> texts;
    // Scripted users: the accounts that answer every text they receive, by
    // login, with the delay in ms (absent or 0: they do not).
    std::map<std::string, int32_t, std::less<>> auto_replies;

    // The client version VERSION names, exactly these bytes.
    std::string version = "0.22";
    Installer installer;

    // Not owned; null while no push server runs (events then go nowhere).
    PushSink* push = nullptr;

    static PriceTable default_prices();
    static World from_seed(const Seed& seed);

    Account* find_account(std::string_view login);
    // The account logged in under a session cookie, or nullptr.
    Account* web_session_account(const std::string& cookie);
    bool logged_in(std::string_view login) const;

    // An account's user id on the service: 17, 18, ... in account order;
    // 0 for a login that is no account.
    int32_t user_id(std::string_view login) const;
    // The account with that user id, or nullptr.
    const Account* account_by_user_id(int32_t id) const;
    int32_t presence(std::string_view login) const;
    NumberView number_view(std::string_view number) const;
    // "name;number;userid;presence" for a contact, with `name` as given
    // (the contact's own name, or that name escaped for an answer).
    std::string contact_fields(const Contact& contact, std::string_view name) const;
    // The price of one part of an SMS of `type` for an account of
    // `account_class`; 0 (free) outside the table.
    int32_t price(int32_t type, int32_t account_class) const;

    // Sets an account's presence; when it changes, every other account that
    // has it among its contacts and an open push session hears of it.
    void set_presence(const std::string& login, int32_t presence);
    // The contacts of `login` who are users of the service, in list order.
    std::vector<ContactUser> contact_users(std::string_view login) const;
    // Stores a message to `recipient` and returns its id (not announced).
    int32_t store_message(const std::string& recipient, int32_t sender, int32_t kind,
                          std::string text);
    // Stores a message and announces it to the recipient's open sessions:
    // event 100 for a system message, else event 1 (events 101 and 102 carry
    // a user id, not a message id). Returns its id.
    int32_t send_message(const std::string& recipient, int32_t sender, int32_t kind,
                         std::string text);
    // The message with `id`, or nullptr.
    const InstantMessage* find_message(int32_t id) const;
    // One event to the open sessions of `login`, when a push server runs.
    void announce(const std::string& login, int32_t type, uint32_t param);
};

// `digits` random upper-case hexadecimal digits, for session cookies and ids.
std::string random_hex(size_t digits);

} // namespace sim
