// The SMS functions. SENDLONGSMS takes the price of every part of the SMS
// from the account's credits and records the SMS under a new id; GETCOSTS
// lists the price table; STATUSSMS reports the SMS the account has sent. The
// service delivers at once: every recorded SMS counts as delivered ("doręczony"),
// and its delivery report follows over the push connection.
#include "functions.hpp"

#include <cstdint>
#include <ctime>

namespace sim {

namespace {

// How many parts the network carries an SMS of `length` characters in: one
// up to 160 (70 with Polish letters), else 153 (67) each, the rest going to
// the header that joins them.
int64_t part_count(size_t length, bool unicode) {
    const size_t single = unicode ? 70 : 160;
    const size_t per_part = unicode ? 67 : 153;
    return static_cast<int64_t>(length <= single ? 1 : (length + per_part - 1) / per_part);
}

bool param_is(const Call& call, std::string_view name, std::string_view value) {
    const std::string* p = call.param(name);
    return p && *p == value;
}

// Every SENDLONGSMS answer: the keyword, the balance and the SMS id (0 for none).
std::string send_answer(std::string_view keyword, const Account& account, int32_t id) {
    return std::string(keyword) + "\r\n" + std::to_string(account.credits) + "\r\n" +
           std::to_string(id) + "\r\n";
}

// to=48NNNNNNNNN, body (cp1250), class ("0": class 0), unicode ("1": Polish letters).
std::string send_long_sms(const Call& call, World& world, Account& account) {
    const std::string* to = call.param("to");
    const std::string* body = call.param("body");
    const std::string recipient = to ? "+" + *to : "";
    if (!is_full_number(recipient) || !body || body->empty()) {
        return send_answer("SENDSMSFAILED", account, 0);
    }
    const bool unicode = param_is(call, "unicode", "1");
    const int64_t cost =
        int64_t{world.price(unicode ? kUnicodeSms : kPlainSms, account.account_class)} *
        part_count(body->size(), unicode);
    if (cost > account.credits) {
        return send_answer("NOCREDITS", account, 0);
    }
    account.credits -= static_cast<int32_t>(cost);
    const int32_t id = world.next_sms_id++;
    world.sms.push_back({id, account.login, recipient, *body, param_is(call, "class", "0"), unicode,
                         static_cast<int32_t>(cost), std::time(nullptr)});
    if (world.push) {
        world.push->schedule_report(account.login, id);
    }
    return send_answer("SENDSMSOK", account, id);
}

// "type;class;price;" for every priced entry; type 0 ends the list.
std::string get_costs(const Call&, World& world, Account&) {
    std::string text = "COSTSOK\r\n";
    for (int32_t type = 1; type < kSmsTypes; ++type) {
        for (int32_t c = 0; c < kTariffClasses; ++c) {
            if (const int32_t price = world.prices[type][c]) {
                text += std::to_string(type) + ";" + std::to_string(c) + ";" +
                        std::to_string(price) + ";";
            }
        }
    }
    return text + "0;0;0;";
}

// "doręczony" (delivered) in cp1250: the status of every recorded SMS.
constexpr char kDelivered[] = "dor\xEA"
                              "czony";

// "lp;opis;od;do;koszt;utworzony;wyslany;status;" and a line end.
std::string status_record(int lp, const SentSms& sms) {
    const std::string time = local_time(sms.accepted);
    std::string record;
    for (const std::string& field :
         {std::to_string(lp), std::string(sms.unicode ? "SMS z polskimi znakami" : "SMS"),
          sms.account, sms.recipient, std::to_string(sms.cost), time, time,
          std::string(kDelivered)}) {
        record += field + ";";
    }
    return record + "\r\n";
}

// All the account's SMS, or with number=NNNNNNNNN those to "+48" and that number.
std::string status_sms(const Call& call, World& world, Account& account) {
    const std::string* number = call.param("number");
    const std::string recipient = number ? "+48" + *number : "";
    std::string records;
    int count = 0;
    for (const SentSms& sms : world.sms) {
        if (sms.account == account.login && (!number || sms.recipient == recipient)) {
            records += status_record(++count, sms);
        }
    }
    if (count == 0) {
        return "NOSTATUS";
    }
    return "STATUSOK " + std::to_string(count) + "\r\n" + escape_polish_letters(records);
}

} // namespace

void add_sms_functions(FunctionTable& table) {
    table.add("SENDLONGSMS", with_web_session(send_long_sms));
    table.add("GETCOSTS", with_web_session(get_costs));
    table.add("STATUSSMS", with_web_session(status_sms));
}

} // namespace sim
