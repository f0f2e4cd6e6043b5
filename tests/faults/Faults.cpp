// The service's side: what the simulator is made to do, and its healing.
#include "FaultRun.h"

#include <cctype>

namespace {

// What a one-shot answer looks like in the run's notes: its size and start.
std::string Describe(const std::string& body) {
    std::string start;
    for (char c : body.substr(0, 40))
        start += std::isprint(static_cast<unsigned char>(c)) ? c : '.';
    return std::to_string(body.size()) + " bytes \"" + start + "\"";
}

} // namespace

void FaultRun::Inject(const PlannedStep& s) {
    switch (s.step) {
    case Step::Unreachable:
        m_sim.Unreachable();
        break;
    case Step::Reachable:
        m_sim.Reachable();
        break;
    case Step::SlowDown:
        // Past the client's 15 s time-outs and the worker's 30 s wait for its turn.
        m_sim.Slow(static_cast<int>(Random(35000, 45000)));
        break;
    case Step::SlowOff:
        m_sim.Slow(0);
        break;
    case Step::Expire:
        m_sim.Expire();
        break;
    case Step::BadAnswer:
        m_sim.AnswerOnce(s.strFunction, s.strBody);
        // A refusal stops the sending until the user sends the outbox again;
        // an empty answer or "NOP" is retried by the client itself.
        if (s.strFunction == "SENDLONGSMS" && !s.strBody.empty() && s.strBody != "NOP")
            m_bSmsRefused = true;
        Note(std::string(StepName(s.step)) + " for " + s.strFunction + ": " + Describe(s.strBody));
        return;
    case Step::LoseAnswer:
        m_sim.LoseAnswer(s.strFunction);
        Note(std::string(StepName(s.step)) + " for " + s.strFunction);
        return;
    default:
        break;
    }
    Note(StepName(s.step));
}

void FaultRun::Heal() {
    m_sim.Reachable();
    m_sim.Slow(0);
    for (const std::string& function : FaultedFunctions())
        m_sim.Reset(function);
}
