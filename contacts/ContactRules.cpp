#include "ContactRules.h"

namespace {

constexpr size_t kMaxNameLength = 100;
constexpr size_t kNumberLength = 9;
constexpr size_t kLabelLength = 30;

bool IsKnownPresence(int nPresence) {
    return nPresence >= -1 && nPresence <= 3;
}

bool IsDigits(const std::string& text) {
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

} // namespace

// Nine digits of the mobile networks the service delivers to.
bool IsMobileNumber(const std::string& number) {
    const std::string prefix = number.substr(0, 2);
    return number.size() == kNumberLength && IsDigits(number) &&
           (prefix == "60" || prefix == "50" || prefix == "69");
}

int PresenceImage(int nPresence) {
    switch (nPresence) {
    case 3:
        return kImageAway;
    case 2:
        return kImageBusy;
    case 1:
        return kImageAvailable;
    case 0:
        return kImageLoggedOff;
    case -1:
        return kImageNotUser;
    default:
        return 0;
    }
}

int ContactImage(int nHighlightMode, int nPresence, int nHighlightTicks) {
    const bool bHighlightShown = nHighlightTicks % 2 != 0;
    if (nHighlightMode == 4) {
        // A login blinks between available and logged off, whatever the presence.
        return bHighlightShown ? kImageLoggedOff : kImageAvailable;
    }
    if (!IsKnownPresence(nPresence)) {
        return kImageAvailable;
    }
    switch (nHighlightMode) {
    case 0:
        return PresenceImage(nPresence);
    case 1:
    case 2:
        // Only service users send messages: one who is not shows as available.
        if (nPresence == -1) {
            return kImageAvailable;
        }
        if (!bHighlightShown) {
            return PresenceImage(nPresence);
        }
        return nPresence == 0 ? kImageMessageLoggedOff : kImageMessage;
    case 3:
        if (!bHighlightShown) {
            return PresenceImage(nPresence);
        }
        if (nPresence == 0) {
            return kImageReportLoggedOff;
        }
        return nPresence == -1 ? kImageReportNotUser : kImageReport;
    default:
        return kImageAvailable;
    }
}

ContactInput CheckContactInput(const std::string& name, const std::string& number) {
    if (name.empty()) {
        return ContactInput::EmptyName;
    }
    if (name.size() > kMaxNameLength) {
        return ContactInput::NameTooLong;
    }
    // The service's contact list ends its fields in ";": such a name would
    // shift every contact after it.
    if (name.find(';') != std::string::npos) {
        return ContactInput::NameHasSemicolon;
    }
    if (!IsMobileNumber(number)) {
        return ContactInput::BadNumber;
    }
    return ContactInput::Ok;
}

const char* ContactInputMessage(ContactInput input) {
    switch (input) {
    case ContactInput::EmptyName:
        return "Brak imienia i nazwiska.";
    case ContactInput::NameTooLong:
        return "D\263ugo\234\346 imienia i nazwiska nie mo\277e by\346 wi\352ksza ni\277 100 "
               "znak\363w.";
    case ContactInput::NameHasSemicolon:
        return "Imi\352 i nazwisko nie mo\277e zawiera\346 znaku ;.";
    case ContactInput::BadNumber:
        return "Nieprawid\263owy numer telefonu!";
    case ContactInput::Ok:
        break;
    }
    return nullptr;
}

std::string SentSmsLabel(const std::string& text, const std::string& number, bool bPseudoContact) {
    std::string label;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            label += ' ';
            ++i;
        } else {
            label += text[i];
        }
    }
    if (label.size() > kLabelLength) {
        label.resize(kLabelLength);
        label += "...";
    }
    return bPseudoContact ? number + ": " + label : label;
}
