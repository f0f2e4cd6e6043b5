// The service's functions: a table of handlers keyed by the name in
// "function=NAME". Each group of functions lives in its own small file
// fn_<group>.cpp with one add_<group>_functions() that fills its entries;
// standard_functions() calls them all.
#pragma once

#include "call.hpp"
#include "world.hpp"

#include <ctime>
#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace sim {

// Returns the answer's raw bytes (cp1250, may hold NUL bytes). It runs under
// the service's lock, so it may read and change the world freely.
using FunctionHandler = std::function<std::string(const Call& call, World& world)>;

class FunctionTable {
public:
    void add(const std::string& name, FunctionHandler handler);
    const FunctionHandler* find(const std::string& name) const;

private:
    std::map<std::string, FunctionHandler> handlers_;
};

// A function that works only within a web session: it gets the session's account.
using SessionHandler = std::function<std::string(const Call& call, World& world, Account& account)>;

// The handler for such a function: a call without a logged-in web session
// answers "NOP" (the client then logs in again and repeats the call).
FunctionHandler with_web_session(SessionHandler handler);

// The same for a function that also needs the account's client session (the
// id of its last LOGINPC): without one it answers "NOSESSION", and the client
// fetches a new one.
FunctionHandler with_pc_session(SessionHandler handler);

// A parameter that holds a whole number (32-bit signed, decimal); false when
// it is absent or anything else.
bool int_param(const Call& call, std::string_view name, int32_t& value);

// Writes the Polish letters of cp1250 text as the service sends them in its
// answers ("%B9" for ą, ...); the client turns them back.
std::string escape_polish_letters(std::string_view text);

// BENCH: "OK\r\n" followed by the parameter n, for tools/simbench.
void add_bench_functions(FunctionTable& table);

// LOGIN, LOGINPC, LOGOFF, CHECKSTATUSES: the web session and the client's own.
void add_session_functions(FunctionTable& table);

// GETCONTACTS, ADDNEWCONTACT, EDITCONTACT, DELETECONTACT: the account's
// contact list.
void add_contact_functions(FunctionTable& table);

// SENDLONGSMS, GETCOSTS, STATUSSMS: sending SMS, the price table, the report
// on the SMS sent.
void add_sms_functions(FunctionTable& table);

// SENDTEXT, RECEIVEMSG, GETUSERINFO: a text to another user, one stored
// instant message fetched after its push event, who a sender is.
void add_message_functions(FunctionTable& table);

// VERSION: the client version the service names as current.
void add_update_functions(FunctionTable& table);

// "YYYY-MM-DD HH:MM:SS" in local time, as the service writes times.
std::string local_time(std::time_t t);

FunctionTable standard_functions();

} // namespace sim
