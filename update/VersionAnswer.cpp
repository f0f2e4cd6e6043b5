#include "VersionAnswer.h"

#include <cstring>

std::optional<std::string> OfferedVersion(const char* response) {
    if (std::strncmp(response, "VEROK", 5) != 0)
        return std::nullopt;
    const char* lineFeed = std::strchr(response, '\n');
    return std::string(lineFeed ? lineFeed + 1 : response);
}
