// One seed of the fault-injection run: the real client under faults of the
// service and a user's actions, then a healthy service and the checks.
#pragma once

#include "ClientProcess.h"
#include "Schedule.h"
#include "SimControl.h"

#include "RemoteTree.h"

#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

// A contact of the account who uses the service.
struct UserContact {
    std::string strName;
    std::string strNumber; // "+48" and 9 digits
    unsigned nUserId = 0;
};
// From the simulator's contact lines, "name;number;userid;presence".
std::vector<UserContact> UserContacts(const std::vector<std::string>& lines);

class FaultRun {
public:
    // The demo account of the simulator.
    static constexpr const char* kLogin = "+48600100200";
    static constexpr const char* kPassword = "haslo123";

    FaultRun(uint32_t seed, uint32_t faultMs);
    // Runs the seed; true when every invariant held. What broke is in Failures().
    bool Run();
    const std::vector<std::string>& Failures() const { return m_failures; }

private:
    // An SMS the user wrote, known by its recipient and the tag in its text.
    struct WrittenSms {
        std::string strNumber; // 9 digits
        std::string strTag;
        bool bDeleted = false;
    };
    // A message the user sent from a chat window, known by the tag in its text.
    struct SentText {
        std::string strText;
        std::string strName;   // the contact's, as the tree shows it
        std::string strNumber; // "+48" and 9 digits
        int nEpoch = 0;
        bool bSlow = false; // sent while answers came late: taken, it may still be told as not sent
    };
    // A chat window of the client and what it shows.
    struct ChatWindow {
        HWND hWnd = nullptr;
        std::string strPartner; // the caption after "BriskoPC - "
        std::string strInput;
        bool bInputEnabled = false;
        // "[HH:MM] <name> text" lines taken apart
        std::vector<std::pair<std::string, std::string>> lines;
    };
    // A message box the client shows, and when the run answers it.
    struct OpenBox {
        std::string strText;
        DWORD dwAnswerAt = 0;
    };

    // the phases
    void FaultPhase();
    void Recover();
    void Finish();
    void Tick(bool bHurry);

    // user actions (Actions.cpp)
    void Do(const PlannedStep& s);
    void WriteSms();
    void EditSms();
    void DeleteSms();
    void AddContact();
    void EditContact();
    void DeleteContact();
    void LogIn(bool bWrongPassword);
    void FillLogin(HWND hDlg, bool bWrongPassword);
    void SendCommand(WORD id);
    HWND OpenDialog(WORD command, int control);
    bool Confirm(HWND hDlg);
    bool SelectItem(const std::string& root, int minData, int maxData, const std::string& text);
    void SendChat();
    void Lock();
    void Unlock();
    // The client's chat windows and everything it shows closed with them: a
    // new process, a login left behind.
    void NewEpoch();
    void Restart();
    void AwaitEnd();

    // faults of the service (Faults.cpp)
    void Inject(const PlannedStep& s);
    bool InjectPush(const PlannedStep& s);
    void PushFrames();
    void PushBurst();
    void AnnounceMessage();
    void ReportSentSms();
    void Heal();
    // Spans of run time in which the client could not fetch over HTTPS what
    // was announced to it: the service unreachable or slow, the client ended,
    // logged off or without its web session.
    void TrackFetching();
    bool FetchingHindered(DWORD dwFrom, DWORD dwTo) const;

    // message boxes (Boxes.cpp)
    void AnswerBoxes(bool bHurry);
    void Press(HWND hBox, const OpenBox& box);
    HWND KnownDialog(int control) const;
    bool IsBox(HWND hDlg) const;

    // what the client shows and what it left (Checks.cpp)
    bool LoggedIn();
    // The SMS the client shows under a contact, by the service's id: those the
    // service took exactly once.
    std::map<unsigned, RemoteTreeItem> SentSmsItems();
    void CheckPushEvents();
    bool ReportShown(unsigned nSmsId, DWORD dwWaitMs);
    bool EverySmsArrived();
    std::map<std::string, int> ArrivedByTag();
    void CheckProcess();
    // Locked, the client shows nothing of the account and keeps no password.
    void CheckLocked();
    // The client's chat windows, hidden ones included.
    std::vector<ChatWindow> ChatWindows();
    std::vector<std::string> SystemMessageLabels();
    void CheckChat();
    // Boxes seen since the current epoch began whose text holds `what`.
    int BoxesSeen(const std::string& what) const;
    void CheckSms();
    void CheckFiles();
    void CheckHistory();
    void Fail(const std::string& what);
    void Note(const std::string& what);

    DWORD Elapsed() const { return ::GetTickCount() - m_dwStart; }
    uint32_t Random(uint32_t lo, uint32_t hi);

    uint32_t m_nSeed;
    uint32_t m_nFaultMs;
    std::mt19937 m_rng;
    SimControl m_sim;
    ClientProcess m_client;
    DWORD m_dwStart = 0;
    bool m_bClientDown = false;  // the run ended it (quit or kill) and has not restarted it
    bool m_bLoggedOff = false;   // the user logged off or was refused: a login is up to him
    bool m_bSmsRefused = false;  // a refusal was answered: sending waits for the user
    bool m_bLocked = false;      // the user locked the client: only unlocking is in his reach
    std::string m_strConnection; // the connection lines as last read
    bool m_bPushOpen = false;    // ... and whether they showed the push session open
    bool m_bWebSession = false;  // ... and the web session (without it nothing is fetched)
    bool m_bUnreachable = false;
    DWORD m_dwSlowUntil = 0; // a slow answer begun before the end lasts this long
    bool m_bSlow = false;
    std::vector<std::pair<DWORD, DWORD>> m_hindered; // [from, to) of run time
    bool m_bHindered = false;
    // Push log time minus run time, once a first announcement showed it.
    long long m_nSimOffset = 0;
    bool m_bSimOffset = false;
    std::string m_strSessionMode = "accept";
    std::string m_strAliveMode = "answer";
    int m_nMessageCount = 0;
    int m_nSmsCount = 0;
    int m_nContactCount = 0;
    std::vector<WrittenSms> m_sms;
    std::vector<std::string> m_contacts;     // names of the contacts the user added
    std::set<std::string> m_resendConfirmed; // 9-digit numbers
    std::map<HWND, OpenBox> m_boxes;
    std::vector<std::pair<DWORD, std::string>> m_boxesSeen; // run time, text
    std::vector<SentText> m_texts;
    int m_nTextCount = 0;
    int m_nEpoch = 0;
    DWORD m_dwEpochAt = 0; // run time the current epoch began
    std::vector<std::string> m_failures;
};
