// The connection lines, the status line and the login's form.
#include "Credentials.h"
#include "StatusText.h"

#include <gtest/gtest.h>

namespace {

ConnectionState State(int session, int db, int socks, int outbox) {
    return {session, db, socks, outbox, "", 0, 0};
}

TEST(ConnectionLines, EveryStateInWords) {
    // cp1250: \263 is "ł", \271 "ą".
    struct Case {
        int line;
        int value;
        const char* text;
    } cases[] = {
        {LINE_SESSION, -1, "BPC: 0, niezainicjalizowany"},
        {LINE_SESSION, 0, "BPC: 0, niepod\263aczony"},
        {LINE_SESSION, 1, "BPC: 1, brak sesji WWW"},
        {LINE_SESSION, 2, "BPC: 2, pod\263\271czony"},
        {LINE_SESSION, 3, ""},
        {LINE_DB, 0, "DB: 0, niepod\263aczony"},
        {LINE_DB, 1, "DB: 1, pod\263\271czony"},
        {LINE_DB, 2, "DB: 2, trwa pod\263\271czanie"},
        {LINE_SOCKS, 0, "Socks: 0, niepod\263\271czony"},
        {LINE_SOCKS, 1, "Socks: 1, pod\263\271czony"},
        {LINE_SOCKS, 2, "Socks: 2, otwarta sesja"},
        {LINE_SOCKS, 3, "Socks: 3, trwa pod\263\271czanie"},
        {LINE_OUTBOX, 0, "SMSy: 0, brak"},
        {LINE_OUTBOX, 1, "SMSy: 1, czekaj\271"},
        {LINE_OUTBOX, 2, "SMSy: 2, trwa wysy\263anie"},
        {LINE_OUTBOX, 7, ""},
    };
    for (const Case& c : cases) {
        ConnectionState s = State(0, 0, 0, 0);
        int* field[] = {&s.nSessionState, &s.nDbState, &s.nSocksState, &s.nOutboxState};
        *field[c.line - LINE_SESSION] = c.value;
        EXPECT_EQ(ConnectionLine(c.line, s), c.text) << c.line << " " << c.value;
    }
}

TEST(ConnectionLines, SessionIdShowsItsLastFourCharacters) {
    ConnectionState s = State(2, 1, 2, 0);
    EXPECT_EQ(ConnectionLine(LINE_SESSION_ID, s), "Sesja: ");
    s.strSessionId = "ab1";
    EXPECT_EQ(ConnectionLine(LINE_SESSION_ID, s), "Sesja: ab1");
    s.strSessionId = "0123456789ABCDEF";
    EXPECT_EQ(ConnectionLine(LINE_SESSION_ID, s), "Sesja: CDEF");
}

TEST(ConnectionLines, ThreadsAndIdleTimeAcrossTheTickWrap) {
    ConnectionState s = State(2, 1, 2, 0);
    s.nThreads = 3;
    EXPECT_EQ(ConnectionLine(LINE_THREADS, s), "W\271tki: 3");
    EXPECT_EQ(IdleSeconds(10999, 1000), 9u);
    // 2 s before the wrap to 3 s after it.
    EXPECT_EQ(IdleSeconds(3000, 0xFFFFFFFFu - 1999), 5u);
    s.nIdleSeconds = IdleSeconds(3000, 0xFFFFFFFFu - 1999);
    EXPECT_EQ(ConnectionLine(LINE_IDLE, s), "IdleTime: 5");
    EXPECT_EQ(ConnectionLabel(LINE_SESSION), "BPC");
    EXPECT_EQ(ConnectionLabel(LINE_IDLE), "IdleTime:");
    EXPECT_EQ(ConnectionLine(99, s), "");
}

TEST(StatusLineText, KeepsItsTrailingSpace) {
    EXPECT_EQ(StatusLine(120, 2, 30), "Bps:120 kl.:2 dni:30 ");
    EXPECT_EQ(StatusLine(-5, 0, 0), "Bps:-5 kl.:0 dni:0 ");
}

TEST(LoginForm, PlusAndElevenDigits) {
    EXPECT_TRUE(IsValidLogin("+48602123456"));
    for (const char* bad : {"48602123456", "+4860212345", "+48 602123456", "+486021234567",
                            "+4860212345a", "", "+", "++48602123456"})
        EXPECT_FALSE(IsValidLogin(bad)) << bad;
}

} // namespace
