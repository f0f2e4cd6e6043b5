// What the main window says about the connection: the lines of the tree's
// "Połączenie" group and the status line. Text is cp1250.
#pragma once

#include <cstdint>
#include <string>

// Item data of the connection lines, in tree order.
enum ConnectionLineId {
    LINE_SESSION = 11,
    LINE_DB,
    LINE_SOCKS,
    LINE_OUTBOX,
    LINE_SESSION_ID,
    LINE_THREADS,
    LINE_IDLE,
};

struct ConnectionState {
    int nSessionState;
    int nDbState;
    int nSocksState;
    int nOutboxState;
    std::string strSessionId;
    int nThreads;
    unsigned nIdleSeconds;
};

// The text of one connection line; empty for an unknown line or state.
std::string ConnectionLine(int nLine, const ConnectionState& state);
// The label a line is created with.
std::string ConnectionLabel(int nLine);
// Whole seconds since the last input; the tick count may have wrapped since.
unsigned IdleSeconds(uint32_t now, uint32_t lastInput);
// "Bps:%d kl.:%d dni:%d " with its trailing space.
std::string StatusLine(int nCredits, int nClass, int nDays);
