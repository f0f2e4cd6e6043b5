// The fault-injection run's plan: from a seed, the same timed mix of faults
// and user actions every time.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

enum class Step {
    // user actions
    WriteSms,
    EditSms,
    DeleteSms,
    SendOutbox,
    AddContact,
    EditContact,
    DeleteContact,
    LogOff,
    LogIn,
    ChangeLogin, // the login dialog, now and then with a wrong password
    Quit,
    Kill,
    Restart,
    SendChat, // a message to a contact who is a user, from his chat window
    Lock,
    Unlock, // with the account's password
    // faults of the service
    Unreachable,
    Reachable,
    SlowDown,
    SlowOff,
    Expire,
    BadAnswer,
    LoseAnswer, // handled by the service, its answer lost on the way back
    NoSession,  // the service forgets the client session (LOGINPC) and closes its push sessions
    // faults of the push server
    PushDrop, // strFunction: close, half or reset; now and then every connection
    PushStall,
    PushUnstall,
    SessionRefused, // strFunction: reject or silent
    SessionAccepted,
    AliveDead,
    AliveAnswered,
    PushFrames, // valid frames split and coalesced, garbage between them
    PushBurst,
    // the events whose arrival the run checks
    PushMessage,
    PushReport,
};

struct PlannedStep {
    uint32_t nAtMs = 0; // from the start of the run
    Step step = Step::WriteSms;
    std::string strFunction; // BadAnswer, LoseAnswer: the service function concerned;
                             // PushDrop, SessionRefused: how
    std::string strBody;     // BadAnswer: the one-shot answer
};

// The steps of one run of `faultMs`, in time order. Every fault that lasts
// (unreachable, slow) and every end of the client is followed by its end
// (reachable, slow off, restart) within the run.
std::vector<PlannedStep> MakeSchedule(uint32_t seed, uint32_t faultMs);

const char* StepName(Step step);
// The functions that one-shot answers or lost answers are queued for: all of
// them forgotten when the service is made healthy again.
std::vector<std::string> FaultedFunctions();
