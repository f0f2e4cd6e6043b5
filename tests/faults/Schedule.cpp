#include "Schedule.h"

#include <algorithm>

namespace {

using Rng = std::mt19937;

uint32_t Between(Rng& rng, uint32_t lo, uint32_t hi) {
    return std::uniform_int_distribution<uint32_t>(lo, hi)(rng);
}

std::string Garbage(Rng& rng, size_t n) {
    std::string bytes;
    for (size_t i = 0; i < n; ++i)
        bytes += static_cast<char>(Between(rng, 0, 255));
    return bytes;
}

// Longer than any answer the client reads whole.
std::string OverLong(Rng& rng, const std::string& start) {
    return start + std::string(1100 * 1024 + Between(rng, 0, 4096), 'x');
}

// A good answer of `function` cut short somewhere.
std::string Truncated(Rng& rng, const std::string& whole) {
    return whole.substr(0, Between(rng, 1, static_cast<uint32_t>(whole.size() - 1)));
}

struct Function {
    const char* name;
    const char* good; // a well-formed answer, to cut short
};

// SENDLONGSMS never gets a one-shot answer that says it was sent: the service
// would not have the SMS, and the run could not tell a lost SMS from a lie.
const Function kFunctions[] = {
    {"GETCONTACTS", "CONTACTSOK\r\nJan Kowalski;+48600100201;18;1;Dom;+48226543210;0;-1;"},
    {"GETCOSTS", "COSTSOK\r\n1;0;30;1;1;25;1;2;20;14;0;60;14;1;50;14;2;40;0;0;0;"},
    {"LOGIN", "LOGINOK\r\n127.0.0.1\r\n0\r\n1000000\r\n30\r\n1\r\n"},
    {"LOGINPC", "LOGINPCOK\r\n0A1B2C3D-0000-1111-2222-333344445555\r\nZofia W%F3jcik\r\n"},
    {"ADDNEWCONTACT", "CONTACTOK\r\n-1\r\n0\r\n"},
    {"EDITCONTACT", "CONTACTOK\r\n-1\r\n0\r\n"},
    {"DELETECONTACT", "CONTACTOK"},
    {"LOGOFF", "LOGOFFOK"},
    {"SENDLONGSMS", "NOCREDITS\r\n1000000\r\n0\r\n"},
};

// Only lost, never answered otherwise: a fetch cut short would show a message
// the service never had, a lie the run could not tell from a fault. (SENDTEXT
// is not lost either: the client cannot know that a text whose answer never
// came was taken, and says it was not sent.)
const char* const kLostOnly[] = {"RECEIVEMSG"};

const char* const kOddLoginPc[] = {
    "LOGINPCFAILED\r\n",
    "LOGINPCFAILED",
    "<html><head><title>500 Internal Server Error</title></head>"
    "<body><h1>Internal Server Error</h1></body></html>",
    "",
};

const char* const kSmsRefusals[] = {
    "NOCREDITS\r\n1000000\r\n0\r\n",
    "SENDSMSFAILED\r\n1000000\r\n0\r\n",
    "SENDSMSFAILED",
    "NOP",
};

PlannedStep BadAnswer(Rng& rng) {
    PlannedStep s;
    s.step = Step::BadAnswer;
    const Function& f = kFunctions[Between(rng, 0, std::size(kFunctions) - 1)];
    s.strFunction = f.name;
    const bool sms = s.strFunction == "SENDLONGSMS";
    switch (Between(rng, 0, 5)) {
    case 0:
        s.strBody = "";
        break;
    case 1:
        s.strBody = Garbage(rng, Between(rng, 1, 300));
        break;
    case 2:
        s.strBody = Truncated(rng, f.good);
        break;
    case 3:
        s.strBody = OverLong(rng, sms ? "SENDSMSFAILED\r\n" : f.good);
        break;
    case 4:
        if (sms) {
            s.strBody = kSmsRefusals[Between(rng, 0, std::size(kSmsRefusals) - 1)];
            break;
        }
        s.strFunction = "LOGINPC";
        s.strBody = kOddLoginPc[Between(rng, 0, std::size(kOddLoginPc) - 1)];
        break;
    default:
        s.strBody = "NOP";
        break;
    }
    // Random bytes that happen to start with the success keyword would be a lie too.
    if (sms && s.strBody.rfind("SENDSMSOK", 0) == 0)
        s.strBody[0] = 'X';
    return s;
}

struct Weighted {
    Step step;
    int weight;
};

const Weighted kMix[] = {
    {Step::WriteSms, 8},       {Step::EditSms, 2},    {Step::DeleteSms, 2},
    {Step::SendOutbox, 1},     {Step::AddContact, 2}, {Step::EditContact, 1},
    {Step::DeleteContact, 1},  {Step::LogOff, 1},     {Step::ChangeLogin, 1},
    {Step::Quit, 1},           {Step::Kill, 1},       {Step::Unreachable, 3},
    {Step::SlowDown, 2},       {Step::Expire, 2},     {Step::BadAnswer, 5},
    {Step::LoseAnswer, 3},     {Step::PushDrop, 4},   {Step::PushStall, 2},
    {Step::SessionRefused, 2}, {Step::AliveDead, 1},  {Step::PushFrames, 4},
    {Step::PushBurst, 2},      {Step::SendChat, 8},   {Step::NoSession, 2},
    {Step::Lock, 2},
};

const char* const kDrops[] = {"close", "half", "reset", "all-close", "all-reset"};
const char* const kRefusals[] = {"reject", "silent"};

// Mostly the SMS, whose lost answer leaves its fate open.
PlannedStep LoseAnswer(Rng& rng) {
    PlannedStep s;
    s.step = Step::LoseAnswer;
    const uint32_t n = Between(rng, 0, 5);
    s.strFunction = n < 3   ? "SENDLONGSMS"
                    : n < 4 ? kLostOnly[Between(rng, 0, std::size(kLostOnly) - 1)]
                            : kFunctions[Between(rng, 0, std::size(kFunctions) - 1)].name;
    return s;
}

Step Pick(Rng& rng) {
    int total = 0;
    for (const Weighted& w : kMix)
        total += w.weight;
    int n = static_cast<int>(Between(rng, 0, total - 1));
    for (const Weighted& w : kMix)
        if ((n -= w.weight) < 0)
            return w.step;
    return Step::WriteSms;
}

// What ends a step that lasts, and how long it lasts at most.
bool EndOf(Step step, Step& end, uint32_t& maxMs) {
    switch (step) {
    case Step::Unreachable:
        end = Step::Reachable, maxMs = 25000;
        return true;
    case Step::SlowDown:
        end = Step::SlowOff, maxMs = 20000;
        return true;
    case Step::LogOff:
        end = Step::LogIn, maxMs = 10000;
        return true;
    case Step::Quit:
    case Step::Kill:
        end = Step::Restart, maxMs = 3000;
        return true;
    case Step::Lock:
        end = Step::Unlock, maxMs = 15000;
        return true;
    case Step::PushStall:
        end = Step::PushUnstall, maxMs = 20000;
        return true;
    case Step::SessionRefused:
        end = Step::SessionAccepted, maxMs = 20000;
        return true;
    case Step::AliveDead:
        // Keep-alives go every 30 s: long enough to meet one now and then.
        end = Step::AliveAnswered, maxMs = 35000;
        return true;
    default:
        return false;
    }
}

} // namespace

std::vector<PlannedStep> MakeSchedule(uint32_t seed, uint32_t faultMs) {
    Rng rng(seed);
    std::vector<PlannedStep> plan;
    // A few SMS early, so that every run has some on their way when faults come.
    for (uint32_t at = 1500; at < faultMs && plan.size() < 3; at += Between(rng, 300, 2500))
        plan.push_back({at, Step::WriteSms, "", ""});
    for (uint32_t at = 4000; at < faultMs && plan.size() < 60; at += Between(rng, 700, 5000)) {
        Step step = Pick(rng);
        PlannedStep s = step == Step::BadAnswer    ? BadAnswer(rng)
                        : step == Step::LoseAnswer ? LoseAnswer(rng)
                                                   : PlannedStep{0, step, "", ""};
        if (step == Step::PushDrop)
            s.strFunction = kDrops[Between(rng, 0, std::size(kDrops) - 1)];
        if (step == Step::SessionRefused)
            s.strFunction = kRefusals[Between(rng, 0, 1)];
        s.nAtMs = at;
        plan.push_back(s);
        Step end;
        uint32_t maxMs;
        if (EndOf(step, end, maxMs))
            plan.push_back({std::min(faultMs, at + Between(rng, 500, maxMs)), end, "", ""});
    }
    // A conversation with the client killed in the middle of it, a fetch on
    // its way, and started again: what the history keeps is checked at the end.
    if (faultMs > 20000) {
        const uint32_t at = Between(rng, faultMs / 3, faultMs / 2);
        for (auto [after, step] : {std::pair{0u, Step::PushMessage}, {400u, Step::SendChat},
                                   {900u, Step::PushMessage}, {1000u, Step::Kill},
                                   {2500u, Step::Restart}, {4500u, Step::PushMessage},
                                   {5000u, Step::SendChat}})
            plan.push_back({at + after, step, "", ""});
    }
    // Beside the faults, the events whose arrival is checked: mostly messages.
    for (uint32_t at = 3000; at < faultMs; at += Between(rng, 1000, 3500))
        plan.push_back({at, Between(rng, 0, 2) ? Step::PushMessage : Step::PushReport, "", ""});
    std::stable_sort(plan.begin(), plan.end(),
                     [](const PlannedStep& a, const PlannedStep& b) { return a.nAtMs < b.nAtMs; });
    return plan;
}

const char* StepName(Step step) {
    switch (step) {
    case Step::WriteSms:
        return "write SMS";
    case Step::EditSms:
        return "edit SMS";
    case Step::DeleteSms:
        return "delete SMS";
    case Step::SendOutbox:
        return "send the outbox";
    case Step::AddContact:
        return "add contact";
    case Step::EditContact:
        return "edit contact";
    case Step::DeleteContact:
        return "delete contact";
    case Step::LogOff:
        return "log off";
    case Step::LogIn:
        return "log in";
    case Step::ChangeLogin:
        return "change login";
    case Step::Quit:
        return "quit";
    case Step::Kill:
        return "kill";
    case Step::Restart:
        return "restart";
    case Step::SendChat:
        return "send a message";
    case Step::Lock:
        return "lock";
    case Step::Unlock:
        return "unlock";
    case Step::Unreachable:
        return "service unreachable";
    case Step::Reachable:
        return "service reachable";
    case Step::SlowDown:
        return "service slow";
    case Step::SlowOff:
        return "service fast";
    case Step::Expire:
        return "web sessions expire";
    case Step::BadAnswer:
        return "one-shot answer";
    case Step::LoseAnswer:
        return "answer lost";
    case Step::NoSession:
        return "client session forgotten";
    case Step::PushDrop:
        return "push connection dropped";
    case Step::PushStall:
        return "push server silent";
    case Step::PushUnstall:
        return "push server speaks again";
    case Step::SessionRefused:
        return "push sessions refused";
    case Step::SessionAccepted:
        return "push sessions accepted";
    case Step::AliveDead:
        return "keep-alives answered dead";
    case Step::AliveAnswered:
        return "keep-alives answered alive";
    case Step::PushFrames:
        return "push frames split, coalesced, among garbage";
    case Step::PushBurst:
        return "push burst";
    case Step::PushMessage:
        return "message announced";
    case Step::PushReport:
        return "delivery reports";
    }
    return "?";
}

std::vector<std::string> FaultedFunctions() {
    std::vector<std::string> names;
    for (const Function& f : kFunctions)
        names.push_back(f.name);
    names.insert(names.end(), std::begin(kLostOnly), std::end(kLostOnly));
    return names;
}
