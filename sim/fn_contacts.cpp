// The contact functions: the account's contact list as the service keeps it.
// Requests carry numbers as 9 digits; the list keeps them as "+48" and those
// digits. A contact whose number is an account of the service shows that
// account's user id and presence (World::number_view).
#include "functions.hpp"

#include <algorithm>

namespace sim {

namespace {

const std::string kFailed = "CONTACTFAILED";

// "+48" and the digits of a number parameter; "" when it is not 9 digits.
std::string full_number(const std::string* digits) {
    if (!digits) {
        return "";
    }
    const std::string number = "+48" + *digits;
    return is_full_number(number) ? number : "";
}

bool good_name(const std::string* name) {
    return name && is_contact_name(*name);
}

// The contact with that number; the list's end when there is none (always
// for "").
std::vector<Contact>::iterator find_number(std::vector<Contact>& list, const std::string& number) {
    return std::find_if(list.begin(), list.end(),
                        [&number](const Contact& c) { return c.number == number; });
}

// A confirmed add or edit: the number's presence and user id.
std::string confirmed(const World& world, const std::string& number) {
    const NumberView view = world.number_view(number);
    return "CONTACTOK\r\n" + std::to_string(view.presence) + "\r\n" + std::to_string(view.user_id) +
           "\r\n";
}

std::string get_contacts(const Call&, World& world, Account& account) {
    std::string text = "CONTACTSOK\r\n";
    for (const Contact& c : world.contacts[account.login]) {
        text += world.contact_fields(c, escape_polish_letters(c.name)) + ";";
    }
    return text;
}

std::string add_contact(const Call& call, World& world, Account& account) {
    const std::string* name = call.param("name");
    const std::string number = full_number(call.param("number"));
    std::vector<Contact>& list = world.contacts[account.login];
    if (number.empty() || !good_name(name) || find_number(list, number) != list.end()) {
        return kFailed;
    }
    list.push_back({*name, number});
    return confirmed(world, number);
}

// Renames the contact with `number` and gives it `newnumber` (which may be the same).
std::string edit_contact(const Call& call, World& world, Account& account) {
    const std::string* name = call.param("name");
    const std::string new_number = full_number(call.param("newnumber"));
    std::vector<Contact>& list = world.contacts[account.login];
    const auto edited = find_number(list, full_number(call.param("number")));
    if (edited == list.end() || new_number.empty() || !good_name(name)) {
        return kFailed;
    }
    const auto holder = find_number(list, new_number);
    if (holder != list.end() && holder != edited) {
        return kFailed;
    }
    *edited = {*name, new_number};
    return confirmed(world, new_number);
}

// The name that comes along is not checked: the number names the contact.
std::string delete_contact(const Call& call, World& world, Account& account) {
    std::vector<Contact>& list = world.contacts[account.login];
    const auto it = find_number(list, full_number(call.param("number")));
    if (it == list.end()) {
        return kFailed;
    }
    list.erase(it);
    return "CONTACTOK";
}

} // namespace

void add_contact_functions(FunctionTable& table) {
    table.add("GETCONTACTS", with_web_session(get_contacts));
    table.add("ADDNEWCONTACT", with_web_session(add_contact));
    table.add("EDITCONTACT", with_web_session(edit_contact));
    table.add("DELETECONTACT", with_web_session(delete_contact));
}

} // namespace sim
