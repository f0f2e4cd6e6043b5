// The message functions. RECEIVEMSG hands the client one stored message whose
// id a push event announced; fetching keeps it, so it can be fetched again.
#include "functions.hpp"

#include <charconv>

namespace sim {

namespace {

std::string receive_msg(const Call& call, World& world, Account& account) {
    const std::string* text = call.param("MsgId");
    int32_t id = 0;
    if (text) {
        const char* end = text->data() + text->size();
        const auto [stop, error] = std::from_chars(text->data(), end, id);
        if (error != std::errc() || stop != end) {
            id = 0;
        }
    }
    const InstantMessage* m = world.find_message(id);
    if (!m || m->recipient != account.login) {
        return "RECEIVEMSGFAILED";
    }
    return "RECEIVEMSGOK\r\n" + std::to_string(m->sender) + "\r\n" + std::to_string(m->kind) +
           "\r\n" + local_time(m->sent) + "\r\n" + escape_polish_letters(m->text);
}

} // namespace

void add_message_functions(FunctionTable& table) {
    table.add("RECEIVEMSG", with_web_session(receive_msg));
}

} // namespace sim
