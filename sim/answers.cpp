#include "answers.hpp"

namespace sim {

void AnswerTable::set_standing(const std::string& function, std::string body) {
    standing_[function] = std::move(body);
}

void AnswerTable::queue_once(const std::string& function, std::string body) {
    once_[function].push_back(std::move(body));
}

void AnswerTable::reset(const std::string& function) {
    standing_.erase(function);
    once_.erase(function);
}

std::optional<std::string> AnswerTable::take(const std::string& function) {
    const auto once = once_.find(function);
    if (once != once_.end()) {
        std::string body = std::move(once->second.front());
        once->second.pop_front();
        if (once->second.empty()) {
            once_.erase(once);
        }
        return body;
    }
    const auto standing = standing_.find(function);
    if (standing != standing_.end()) {
        return standing->second;
    }
    return std::nullopt;
}

} // namespace sim
