// The service's answer to the question which client version is current.
// Portable: it knows nothing of windows.
#pragma once

#include <optional>
#include <string>

// The version text of a VEROK answer: all after the first line feed, or the
// whole answer when it has none; nothing for any other answer. It is compared
// whole, so a line break after it makes it differ.
std::optional<std::string> OfferedVersion(const char* response);
