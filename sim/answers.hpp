// Answers that the control interface sets for a function, overriding its
// handler: a standing answer, and one-shot answers queued before it.
#pragma once

#include <deque>
#include <map>
#include <optional>
#include <string>

namespace sim {

class AnswerTable {
public:
    // From now on `function` answers `body` (replacing an earlier standing answer).
    void set_standing(const std::string& function, std::string body);
    // Queues a one-shot answer, served before the standing one; several are served in order.
    void queue_once(const std::string& function, std::string body);
    // Back to the default: forgets the standing answer and the queued ones.
    void reset(const std::string& function);
    // The answer for one call: the next queued one-shot answer (consumed), else
    // the standing answer, else nothing (the function's handler decides).
    std::optional<std::string> take(const std::string& function);

private:
    std::map<std::string, std::string> standing_;
    std::map<std::string, std::deque<std::string>> once_;
};

} // namespace sim
