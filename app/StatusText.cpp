#include "StatusText.h"

#include <cstdio>

// The Polish letters stand as cp1250 octal escapes, \263 "ł" and \271 "ą",
// so that the native build, whose strings stay UTF-8, says the same.
namespace {
// Texts by state value, as the service's operators know them.
const char* SessionText(int state) {
    switch (state) {
    case -1:
        return "BPC: 0, niezainicjalizowany";
    case 0:
        return "BPC: 0, niepod\263aczony";
    case 1:
        return "BPC: 1, brak sesji WWW";
    case 2:
        return "BPC: 2, pod\263\271czony";
    default: // a login under way, and anything else, shows nothing
        return "";
    }
}

const char* DbText(int state) {
    switch (state) {
    case 0:
        return "DB: 0, niepod\263aczony";
    case 1:
        return "DB: 1, pod\263\271czony";
    case 2:
        return "DB: 2, trwa pod\263\271czanie";
    default:
        return "";
    }
}

const char* SocksText(int state) {
    switch (state) {
    case 0:
        return "Socks: 0, niepod\263\271czony";
    case 1:
        return "Socks: 1, pod\263\271czony";
    case 2:
        return "Socks: 2, otwarta sesja";
    case 3:
        return "Socks: 3, trwa pod\263\271czanie";
    default:
        return "";
    }
}

const char* OutboxText(int state) {
    switch (state) {
    case 0:
        return "SMSy: 0, brak";
    case 1:
        return "SMSy: 1, czekaj\271";
    case 2:
        return "SMSy: 2, trwa wysy\263anie";
    default:
        return "";
    }
}

std::string Formatted(const char* format, int a, int b = 0, int c = 0) {
    char text[64];
    std::snprintf(text, sizeof text, format, a, b, c);
    return text;
}
} // namespace

std::string ConnectionLabel(int nLine) {
    switch (nLine) {
    case LINE_SESSION:
        return "BPC";
    case LINE_DB:
        return "DB:";
    case LINE_SOCKS:
        return "Socks:";
    case LINE_OUTBOX:
        return "SMSy:";
    case LINE_SESSION_ID:
        return "Sesja:";
    case LINE_THREADS:
        return "W\271tki:";
    case LINE_IDLE:
        return "IdleTime:";
    default:
        return "";
    }
}

std::string ConnectionLine(int nLine, const ConnectionState& state) {
    switch (nLine) {
    case LINE_SESSION:
        return SessionText(state.nSessionState);
    case LINE_DB:
        return DbText(state.nDbState);
    case LINE_SOCKS:
        return SocksText(state.nSocksState);
    case LINE_OUTBOX:
        return OutboxText(state.nOutboxState);
    case LINE_SESSION_ID: {
        const std::string& id = state.strSessionId;
        return "Sesja: " + id.substr(id.size() > 4 ? id.size() - 4 : 0);
    }
    case LINE_THREADS:
        return Formatted("W\271tki: %d", state.nThreads);
    case LINE_IDLE:
        return Formatted("IdleTime: %d", static_cast<int>(state.nIdleSeconds));
    default:
        return "";
    }
}

unsigned IdleSeconds(uint32_t now, uint32_t lastInput) {
    return static_cast<uint32_t>(now - lastInput) / 1000;
}

std::string StatusLine(int nCredits, int nClass, int nDays) {
    return Formatted("Bps:%d kl.:%d dni:%d ", nCredits, nClass, nDays);
}
