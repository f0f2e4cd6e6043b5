#include "seed.hpp"

#include "cp1250.hpp"

#include <limits>
#include <map>

namespace sim {

bool operator==(const Account& a, const Account& b) {
    return a.login == b.login && a.password == b.password && a.display_name == b.display_name &&
           a.credits == b.credits && a.days == b.days && a.account_class == b.account_class;
}

bool operator==(const SeedContact& a, const SeedContact& b) {
    return a.owner == b.owner && a.contact.name == b.contact.name &&
           a.contact.number == b.contact.number;
}

bool operator==(const SeedAutoReply& a, const SeedAutoReply& b) {
    return a.login == b.login && a.ms == b.ms;
}

bool is_full_number(std::string_view number) {
    return number.size() == 12 && number.substr(0, 3) == "+48" &&
           number.find_first_not_of("0123456789", 3) == std::string_view::npos;
}

bool is_contact_name(std::string_view name) {
    return !name.empty() && name.find(';') == std::string_view::npos;
}

namespace {

bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

bool is_control(char c) {
    const auto b = static_cast<unsigned char>(c);
    return b < 0x20 || b == 0x7F;
}

// Splits one line into words, removing quotes and escapes. Returns false with
// a message on a malformed line.
bool split_words(std::string_view line, std::vector<std::string>& words, std::string& error) {
    size_t i = 0;
    while (true) {
        while (i < line.size() && is_space(line[i])) {
            ++i;
        }
        if (i == line.size() || line[i] == '#') {
            return true;
        }
        std::string word;
        if (line[i] == '"') {
            ++i;
            while (true) {
                if (i == line.size()) {
                    error = "a quoted word has no closing quote";
                    return false;
                }
                const char c = line[i++];
                if (c == '"') {
                    break;
                }
                if (c == '\\') {
                    if (i == line.size() || (line[i] != '"' && line[i] != '\\')) {
                        error = "a backslash in quotes must be followed by \" or \\";
                        return false;
                    }
                    word += line[i++];
                } else if (is_control(c)) {
                    error = "a control character in a quoted word";
                    return false;
                } else {
                    word += c;
                }
            }
            if (i < line.size() && !is_space(line[i])) {
                error = "a closing quote must be followed by a space or the line end";
                return false;
            }
        } else {
            while (i < line.size() && !is_space(line[i])) {
                const char c = line[i++];
                if (c == '"') {
                    error = "a quote inside a word (quote the whole word)";
                    return false;
                }
                if (is_control(c)) {
                    error = "a control character in a word";
                    return false;
                }
                word += c;
            }
        }
        words.push_back(std::move(word));
    }
}

bool parse_int32(const std::string& s, int32_t& value) {
    size_t i = s.size() > 0 && s[0] == '-' ? 1 : 0;
    if (i == s.size()) {
        return false;
    }
    int64_t v = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') {
            return false;
        }
        v = v * 10 + (s[i] - '0');
        if (v > int64_t{std::numeric_limits<int32_t>::max()} + 1) {
            return false;
        }
    }
    if (s[0] == '-') {
        v = -v;
    }
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) {
        return false;
    }
    value = static_cast<int32_t>(v);
    return true;
}

bool is_login(const std::string& s) {
    if (s.size() < 2 || s.size() > 16 || s[0] != '+') {
        return false;
    }
    for (size_t i = 1; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') {
            return false;
        }
    }
    return true;
}

bool text_field(const std::string& utf8, const char* what, std::string& out, std::string& error) {
    std::string bad;
    if (!utf8_to_cp1250(utf8, out, bad)) {
        error = std::string(what) + ": " + bad + " cannot be written in cp1250";
        return false;
    }
    return true;
}

bool parse_account(const std::vector<std::string>& w, Account& a, std::string& error) {
    if (w.size() != 7) {
        error = "account needs 6 fields (LOGIN PASSWORD NAME CREDITS DAYS CLASS), found " +
                std::to_string(w.size() - 1);
        return false;
    }
    if (!is_login(w[1])) {
        error = "LOGIN must be \"+\" and 1 to 15 digits";
        return false;
    }
    a.login = w[1];
    if (!text_field(w[2], "PASSWORD", a.password, error) ||
        !text_field(w[3], "NAME", a.display_name, error)) {
        return false;
    }
    const char* names[] = {"CREDITS", "DAYS", "CLASS"};
    int32_t* fields[] = {&a.credits, &a.days, &a.account_class};
    for (int k = 0; k < 3; ++k) {
        if (!parse_int32(w[4 + k], *fields[k])) {
            error =
                std::string(names[k]) + " must be a whole number from -2147483648 to 2147483647";
            return false;
        }
    }
    return true;
}

// A contact line's fields; whether OWNER has an account is left to the caller.
bool parse_contact(const std::vector<std::string>& w, SeedContact& c, std::string& error) {
    if (w.size() != 4) {
        error = "contact needs 3 fields (OWNER NAME NUMBER), found " + std::to_string(w.size() - 1);
        return false;
    }
    c.owner = w[1];
    if (!text_field(w[2], "NAME", c.contact.name, error)) {
        return false;
    }
    if (!is_contact_name(c.contact.name)) {
        error = "NAME must not be empty nor hold \";\"";
        return false;
    }
    if (!is_full_number(w[3])) {
        error = "NUMBER must be \"+48\" and 9 digits";
        return false;
    }
    c.contact.number = w[3];
    return true;
}

bool parse_auto_reply(const std::vector<std::string>& w, SeedAutoReply& r, std::string& error) {
    if (w.size() != 3) {
        error = "autoreply needs 2 fields (LOGIN MS), found " + std::to_string(w.size() - 1);
        return false;
    }
    r.login = w[1];
    if (!parse_int32(w[2], r.ms) || r.ms < 0 || r.ms > kMaxAutoReplyMs) {
        error = "MS must be a whole number from 0 to " + std::to_string(kMaxAutoReplyMs);
        return false;
    }
    return true;
}

std::string quote(const std::string& cp1250) {
    std::string out = "\"";
    for (const char c : cp1250_to_utf8(cp1250)) {
        if (c == '"' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    return out + "\"";
}

} // namespace

SeedParse parse_seed(std::string_view text) {
    SeedParse result;
    std::map<std::string, int> login_lines;
    std::map<std::string, int> contact_lines; // "OWNER NUMBER" -> line
    std::map<std::string, int> auto_reply_lines;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3); // a byte order mark some editors write
    }
    int line_no = 0;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++line_no;

        std::vector<std::string> words;
        std::string error;
        if (!split_words(line, words, error)) {
            result.errors.push_back({line_no, error});
            continue;
        }
        if (words.empty()) {
            continue;
        }
        if (words[0] == "account") {
            Account a;
            if (!parse_account(words, a, error)) {
                result.errors.push_back({line_no, error});
                continue;
            }
            const auto [it, added] = login_lines.emplace(a.login, line_no);
            if (!added) {
                result.errors.push_back({line_no, "account " + a.login + " is already on line " +
                                                      std::to_string(it->second)});
                continue;
            }
            result.seed.accounts.push_back(std::move(a));
        } else if (words[0] == "contact") {
            SeedContact c;
            if (!parse_contact(words, c, error)) {
                result.errors.push_back({line_no, error});
                continue;
            }
            if (login_lines.count(c.owner) == 0) {
                result.errors.push_back(
                    {line_no, "OWNER " + c.owner + " is no account on an earlier line"});
                continue;
            }
            const auto [it, added] =
                contact_lines.emplace(c.owner + " " + c.contact.number, line_no);
            if (!added) {
                result.errors.push_back({line_no, c.owner + " has a contact " + c.contact.number +
                                                      " on line " + std::to_string(it->second)});
                continue;
            }
            result.seed.contacts.push_back(std::move(c));
        } else if (words[0] == "autoreply") {
            SeedAutoReply r;
            if (!parse_auto_reply(words, r, error)) {
                result.errors.push_back({line_no, error});
                continue;
            }
            if (login_lines.count(r.login) == 0) {
                result.errors.push_back(
                    {line_no, "LOGIN " + r.login + " is no account on an earlier line"});
                continue;
            }
            const auto [it, added] = auto_reply_lines.emplace(r.login, line_no);
            if (!added) {
                result.errors.push_back({line_no, "autoreply " + r.login + " is already on line " +
                                                      std::to_string(it->second)});
                continue;
            }
            result.seed.auto_replies.push_back(std::move(r));
        } else {
            result.errors.push_back(
                {line_no, "unknown entry (known: account, contact, autoreply)"});
        }
    }
    return result;
}

std::string format_seed(const Seed& seed) {
    std::string out;
    for (const Account& a : seed.accounts) {
        out += "account " + a.login + " " + quote(a.password) + " " + quote(a.display_name) + " " +
               std::to_string(a.credits) + " " + std::to_string(a.days) + " " +
               std::to_string(a.account_class) + "\n";
    }
    for (const SeedContact& c : seed.contacts) {
        out += "contact " + c.owner + " " + quote(c.contact.name) + " " + c.contact.number + "\n";
    }
    for (const SeedAutoReply& r : seed.auto_replies) {
        out += "autoreply " + r.login + " " + std::to_string(r.ms) + "\n";
    }
    return out;
}

std::string_view demo_seed_text() {
    return "# The demo world of ./brisko demo.\n"
           "#       login        password  name           credits days class\n"
           "account +48600100200 haslo123  \"Zofia Wójcik\" 250     30   1\n"
           "account +48600100201 haslo456  \"Jan Kowalski\" 100     30   1\n"
           "account +48600100202 haslo789  \"Beata Nowak\"  100     30   1\n"
           "account +48600100203 haslo789  \"Cezary Wiśniewski\" 100 30  1\n"
           "account +48600100204 haslo789  \"Dorota Lewandowska\" 100 30 1\n"
           "#       owner        name                           number\n"
           "contact +48600100200 \"Jan Kowalski\"                 +48600100201\n"
           "contact +48600100200 \"Dom\"                          +48226543210\n"
           "contact +48600100200 \"Łucja Żółtowska\"              +48501234567\n"
           "contact +48600100200 \"Praca\"                        +48601234567\n"
           "contact +48600100200 \"Grzegorz Brzęczyszczykiewicz\" +48512345678\n"
           "contact +48600100201 \"Zosia\"                        +48600100200\n"
           "contact +48600100200 \"Beata Nowak\"                  +48600100202\n"
           "contact +48600100200 \"Cezary Wiśniewski\"            +48600100203\n"
           "contact +48600100200 \"Dorota Lewandowska\"           +48600100204\n"
           "# Jan Kowalski answers every text a second after it arrives.\n"
           "autoreply +48600100201 1000\n";
}

} // namespace sim
