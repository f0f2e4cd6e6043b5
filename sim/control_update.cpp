// The /version and /installer commands: what VERSION names, and the installer
// the service serves beside its script.
#include "control_util.hpp"

#include <array>
#include <limits>
#include <memory>
#include <utility>

namespace sim {

namespace {

constexpr std::array<std::pair<std::string_view, DownloadMode>, 6> kModes = {{
    {"normal", DownloadMode::normal},
    {"nolength", DownloadMode::no_length},
    {"cut", DownloadMode::cut},
    {"404", DownloadMode::not_found},
    {"401", DownloadMode::unauthorized},
    {"407", DownloadMode::proxy_auth},
}};

// PUT /installer (the body, or ?size=N bytes of our own), GET /installer,
// DELETE /installer (back to the start's).
ControlReply content_command(const ControlRequest& r, const Call& query, Service& service) {
    if (r.method == "GET") {
        std::shared_ptr<const std::string> content;
        service.with_world([&](World& world) { content = world.installer.content; });
        return {200, *content};
    }
    if (r.method == "DELETE") {
        service.with_world([](World& world) { world.installer.content = world.installer.start; });
        return ok();
    }
    if (r.method != "PUT") {
        return not_allowed();
    }
    std::string bytes;
    if (query.param("size")) {
        uint32_t size = 0;
        if (!parse_number(query.param("size"), uint32_t{1}, uint32_t{kMaxInstallerSize}, size)) {
            return bad_number("size", 1, kMaxInstallerSize);
        }
        bytes = pseudo_random_bytes(size);
    } else if (r.body.empty()) {
        return {400, "an installer has at least one byte\n"};
    } else {
        bytes = r.body;
    }
    auto content = std::make_shared<const std::string>(std::move(bytes));
    service.with_world([&](World& world) { world.installer.content = std::move(content); });
    return ok();
}

ControlReply mode_command(const ControlRequest& r, Service& service) {
    if (r.method != "PUT") {
        return not_allowed();
    }
    for (const auto& [name, mode] : kModes) {
        if (r.body == name) {
            service.with_world([mode = mode](World& world) { world.installer.mode = mode; });
            return ok();
        }
    }
    return {400, "the mode is one of normal, nolength, cut, 404, 401, 407\n"};
}

ControlReply rate_command(const ControlRequest& r, Service& service) {
    if (r.method != "PUT") {
        return not_allowed();
    }
    constexpr int32_t max = std::numeric_limits<int32_t>::max();
    int32_t rate = 0;
    if (!parse_number(&r.body, 0, max, rate)) {
        return bad_number("the rate", 0, max);
    }
    service.with_world([rate](World& world) { world.installer.rate = rate; });
    return ok();
}

ControlReply requests_command(const ControlRequest& r, Service& service) {
    std::string text;
    if (r.method == "GET") {
        service.with_world([&text](World& world) { text = world.installer.requests; });
        return {200, text};
    }
    if (r.method != "DELETE") {
        return not_allowed();
    }
    service.with_world([](World& world) { world.installer.requests.clear(); });
    return ok();
}

} // namespace

ControlReply version_command(const ControlRequest& r, Service& service) {
    std::string version;
    if (r.method == "GET") {
        service.with_world([&version](World& world) { version = world.version; });
        return {200, version};
    }
    if (r.method != "PUT") {
        return not_allowed();
    }
    service.with_world([&r](World& world) { world.version = r.body; });
    return ok();
}

ControlReply installer_command(const ControlRequest& r, std::string_view rest, const Call& query,
                               Service& service) {
    if (rest.empty()) {
        return content_command(r, query, service);
    }
    if (rest == "/mode") {
        return mode_command(r, service);
    }
    if (rest == "/rate") {
        return rate_command(r, service);
    }
    if (rest == "/requests") {
        return requests_command(r, service);
    }
    return {404, "unknown command; see sim/README.md\n"};
}

} // namespace sim
