#include "functions.hpp"

#include <charconv>
#include <ctime>

namespace sim {

void FunctionTable::add(const std::string& name, FunctionHandler handler) {
    handlers_[name] = std::move(handler);
}

const FunctionHandler* FunctionTable::find(const std::string& name) const {
    const auto it = handlers_.find(name);
    return it == handlers_.end() ? nullptr : &it->second;
}

FunctionHandler with_web_session(SessionHandler handler) {
    return [handler = std::move(handler)](const Call& call, World& world) -> std::string {
        Account* account = world.web_session_account(call.web_session);
        return account ? handler(call, world, *account) : "NOP";
    };
}

FunctionHandler with_pc_session(SessionHandler handler) {
    return with_web_session([handler = std::move(handler)](const Call& call, World& world,
                                                           Account& account) -> std::string {
        return world.pc_sessions.count(account.login) ? handler(call, world, account) : "NOSESSION";
    });
}

bool int_param(const Call& call, std::string_view name, int32_t& value) {
    const std::string* text = call.param(name);
    if (!text) {
        return false;
    }
    const char* end = text->data() + text->size();
    const auto [stop, error] = std::from_chars(text->data(), end, value);
    return error == std::errc() && stop == end;
}

std::string escape_polish_letters(std::string_view text) {
    // ą ć ę ś ż ź ł ó ń Ą Ć Ę Ł Ń Ó Ś Ż Ź in cp1250.
    static constexpr std::string_view kLetters = "\xB9\xE6\xEA\x9C\xBF\x9F\xB3\xF3\xF1"
                                                 "\xA5\xC6\xCA\xA3\xD1\xD3\x8C\xAF\x8F";
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        if (kLetters.find(c) == std::string_view::npos) {
            out += c;
        } else {
            const auto b = static_cast<unsigned char>(c);
            out += {'%', kHex[b >> 4], kHex[b & 0xF]};
        }
    }
    return out;
}

std::string local_time(std::time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &tm);
    return text;
}

FunctionTable standard_functions() {
    FunctionTable table;
    add_bench_functions(table);
    add_session_functions(table);
    add_contact_functions(table);
    add_sms_functions(table);
    add_message_functions(table);
    add_update_functions(table);
    return table;
}

} // namespace sim
