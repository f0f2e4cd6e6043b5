// Answers what the client shows: every message box after a delay of its own,
// so that timers and answers also arrive while a modal loop runs.
#include "FaultRun.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr int kLoginEdit = 1005;
// The client's own dialogs, known by one of their controls: the run fills them
// in itself. Chat windows (their input field) are written in by the run too,
// and the password that unlocks (the login dialog has one as well).
constexpr int kOwnDialogs[] = {1002, 1020, kLoginEdit, 1031, 1006};
// Yes first: a Yes/No box gets Yes.
constexpr int kButtons[] = {IDYES, IDOK, IDCANCEL};

const char kResendQuestion[] = "Wysłać go jeszcze raz?";
const char kLoginRefused[] = "Nieprawidłowy login";
// Read now or later: the answer is the run's choice.
const char kSystemQuestion[] = "Pojawiła się nowa wiadomość systemowa.";

// The 9 digits after each "+48" in a text.
std::vector<std::string> NumbersIn(const std::string& text) {
    std::vector<std::string> numbers;
    for (size_t at = text.find("+48"); at != std::string::npos; at = text.find("+48", at + 1)) {
        std::string digits = text.substr(at + 3, 9);
        bool all = digits.size() == 9;
        for (char c : digits)
            all = all && std::isdigit(static_cast<unsigned char>(c));
        if (all)
            numbers.push_back(digits);
    }
    return numbers;
}

} // namespace

HWND FaultRun::KnownDialog(int control) const {
    for (HWND hDlg : m_client.Dialogs())
        if (::GetDlgItem(hDlg, control))
            return hDlg;
    return nullptr;
}

bool FaultRun::IsBox(HWND hDlg) const {
    for (int control : kOwnDialogs)
        if (::GetDlgItem(hDlg, control))
            return false;
    return true;
}

int FaultRun::BoxesSeen(const std::string& what) const {
    return static_cast<int>(
        std::count_if(m_boxesSeen.begin(), m_boxesSeen.end(), [&](const auto& b) {
            return b.first >= m_dwEpochAt && b.second.find(what) != std::string::npos;
        }));
}

void FaultRun::AnswerBoxes(bool bHurry) {
    const std::vector<HWND> open = m_client.Dialogs();
    for (auto it = m_boxes.begin(); it != m_boxes.end();)
        it = std::find(open.begin(), open.end(), it->first) == open.end() ? m_boxes.erase(it)
                                                                          : std::next(it);
    const DWORD now = ::GetTickCount();
    for (HWND hDlg : open) {
        // A login dialog that comes up by itself (a start without a stored
        // password) is answered like a box.
        const bool login = ::GetDlgItem(hDlg, kLoginEdit) != nullptr;
        if (m_boxes.count(hDlg) || (!login && !IsBox(hDlg)))
            continue;
        OpenBox box{login ? "(the login dialog)" : DialogText(hDlg), 0};
        if (std::any_of(m_boxes.begin(), m_boxes.end(),
                        [&box](const auto& shown) { return shown.second.strText == box.strText; }))
            Fail("a second box with the same text while the first is open: " + box.strText);
        // Now at once, now after a moment, now after a long while.
        const uint32_t kind = Random(0, 9);
        const uint32_t delay = bHurry || kind < 3 ? Random(0, 500)
                               : kind < 7         ? Random(200, 3000)
                                                  : Random(5000, 40000);
        box.dwAnswerAt = now + delay;
        Note("box: " + box.strText + " (answered in " + std::to_string(delay) + " ms)");
        if (box.strText.find(kLoginRefused) != std::string::npos)
            m_bLoggedOff = true;
        m_boxes[hDlg] = box;
        m_boxesSeen.push_back({Elapsed(), box.strText});
    }
    for (auto& [hDlg, box] : m_boxes) {
        if (static_cast<int>(::GetTickCount() - box.dwAnswerAt) < 0)
            continue;
        Press(hDlg, box);
        // Should the press not close it, press again in a while.
        box.dwAnswerAt = ::GetTickCount() + 2000;
    }
}

void FaultRun::Press(HWND hBox, const OpenBox& box) {
    if (::GetDlgItem(hBox, kLoginEdit)) {
        FillLogin(hBox, false);
        return;
    }
    if (box.strText.find(kResendQuestion) != std::string::npos)
        for (const std::string& number : NumbersIn(box.strText)) {
            m_resendConfirmed.insert(number);
            Note("resend confirmed for +48" + number);
        }
    if (box.strText.find(kSystemQuestion) != std::string::npos) {
        const int id = Random(0, 1) ? IDYES : IDNO;
        Note(id == IDYES ? "system message: read it" : "system message: not now");
        ::PostMessageA(hBox, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(hBox, id)));
        return;
    }
    for (int id : kButtons)
        if (HWND button = ::GetDlgItem(hBox, id)) {
            ::PostMessageA(hBox, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                           reinterpret_cast<LPARAM>(button));
            return;
        }
    ::PostMessageA(hBox, WM_CLOSE, 0, 0);
}
