// Steers the service simulator from a test under Wine, through its plain-HTTP
// control interface; ./brisko exports where it listens.
#pragma once

#include <string>
#include <vector>

class SimControl {
public:
    // The simulator the prefix trusts, or with TRUE the untrusted second one.
    explicit SimControl(bool bUntrusted = false);
    ~SimControl();
    SimControl(const SimControl&) = delete;
    SimControl& operator=(const SimControl&) = delete;

    // The HTTPS port of the service script; 0 when no simulator runs.
    static int HttpsPort();
    // The port of a second simulator whose authority the prefix does not trust.
    static int UntrustedHttpsPort();

    // Back to the start of a test: reachable, fast, no web session, the log and
    // the SMS forgotten, the demo account's 250 credits, the push server as it
    // started but without delivery reports (a report highlights its contact,
    // and the end of the client would ask about it), the texts forgotten and
    // nobody answering them, version "0.22", and the installer as it started,
    // served normally at full speed, with no request of it remembered.
    bool StartAfresh();
    bool Answer(const std::string& function, const std::string& body);
    bool AnswerOnce(const std::string& function, const std::string& body);
    bool Reset(const std::string& function);
    // The next call of the function is handled, but its answer is lost on the way.
    bool LoseAnswer(const std::string& function);
    bool Unreachable();
    bool Reachable();
    bool Slow(int ms);
    bool Expire();
    bool SetCredits(const std::string& login, int value);
    bool ClearLog();
    // The SMS the service accepted, one a line; and forgetting them.
    std::vector<std::string> Sms();
    bool ClearSms();
    // The request log, one entry a line: "<connection> <function> <target>".
    std::vector<std::string> Log();
    // The functions of the logged requests, in order.
    std::vector<std::string> LoggedFunctions();

    // The push server. How it answers session requests ("accept", "reject",
    // "silent") and keep-alives ("answer", "silent", "dead").
    bool PushMode(const std::string& session, const std::string& alive = "answer");
    // One event to each open session of the account; how many it went to.
    int PushEvent(const std::string& login, int type, unsigned param);
    // Raw bytes to each open session, in pieces of these sizes if any.
    int PushRaw(const std::string& login, const std::string& bytes,
                const std::vector<int>& split = {}, int gapMs = 20);
    // Ends the account's sessions: "close", "half" (no more sending) or "reset".
    bool PushDrop(const std::string& login, const std::string& how = "close");
    // Ends every push connection, sessions or not.
    bool PushDropAll(const std::string& how = "close");
    bool PushStall(const std::string& login, bool on);
    // A message stored for `login` and announced (kind 1, 100 a system
    // message, 101 or 102 `from` logged in or off: the text is then `from`'s
    // number and `text` is ignored); its id, 0 when the simulator refused.
    unsigned PushMessage(const std::string& login, const std::string& from, int kind,
                         const std::string& text);
    // The messages stored for the account, oldest first, whether announced on
    // an open session or not (PushLog tells): "<id> <kind> <sender user id>
    // <sender login or -> <text>" a line.
    std::vector<std::string> Messages(const std::string& login);
    // The texts clients sent (SENDTEXT), oldest first: "<id> <sender>
    // <receiver> <text>" a line; and forgetting them.
    std::vector<std::string> Texts();
    bool ClearTexts();
    // The account's client session ends: its push connections close, and
    // SENDTEXT and RECEIVEMSG answer NOSESSION until the next LOGINPC.
    bool NoSession(const std::string& login);
    // The account answers every text it receives after `ms` (0: it does not).
    bool AutoReply(const std::string& login, int ms);
    // Nobody answers texts.
    bool AutoReplyOff();
    // `count` events as fast as the server can write them, in pieces the seed
    // chooses; among them reports of the account's `reports` latest SMS. The
    // numbers of distinct reported SMS and of new messages; false when refused.
    bool Burst(const std::string& login, int count, unsigned seed, int reports, int* pnReported,
               int* pnMessages);
    // An hour of use compressed into `seconds`, paced by the simulator:
    // `presences` presence changes of the account's contacts who are users and
    // `messages` messages from the first `senders` of them, mixed by the seed.
    bool Load(const std::string& login, int presences, int messages, int senders, int seconds,
              unsigned seed);
    bool SetPresence(const std::string& login, int value);
    // The account's contacts, "name;number;userid;presence" a line.
    std::vector<std::string> Contacts(const std::string& login);
    // Delay of the delivery report after an accepted SMS; -1: never.
    bool ReportDelay(int ms);
    // The push log: "<ms> <connection> <what>" a line.
    std::vector<std::string> PushLog();

    // The version text VERSION names, exactly these bytes.
    bool SetVersion(const std::string& text);
    // The installer at /briskopc/setup.exe: these bytes, or `size` bytes the
    // simulator makes (the same ones for the same size); and what it serves now.
    bool SetInstaller(const std::string& bytes);
    bool SetInstallerSize(unsigned size);
    std::string Installer();
    // How its download answers: "normal", "nolength", "cut", "404", "401", "407".
    bool InstallerMode(const std::string& mode);
    // Its download paced to this many bytes a second; 0: unlimited.
    bool InstallerRate(int bytesPerSecond);
    // Its requests since the start: "<status> <Range header or ->" a line.
    std::vector<std::string> InstallerRequests();
    bool ClearInstallerRequests();

private:
    std::string Reply(const char* verb, const std::string& path, const std::string& body = "");
    bool Command(const char* verb, const std::string& path, const std::string& body = "");
    std::vector<std::string> Lines(const std::string& path);
    std::string Send(const char* verb, const std::string& path, const std::string& body, bool* ok);
    void* m_hInternet;
    void* m_hConnect;
};
