// What the run checks: the client's connection lines, its process, the SMS
// the service received and the files the client left.
#include "FaultRun.h"
#include "RemoteTree.h"

#include "ContactsFile.h"
#include "OutboxFile.h"
#include "WinApp.h"

#include <fstream>
#include <iterator>
#include <sstream>

namespace {

bool ReadFile(const std::string& path, std::string& bytes) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return true;
}

} // namespace

bool FaultRun::LoggedIn() {
    if (!m_client.Running())
        return false;
    RemoteTree tree(m_client.Process(), ::GetDlgItem(m_client.Main(), 1000));
    bool session = false, db = false;
    m_strConnection.clear();
    for (const RemoteTreeItem& item : tree.ChildrenOf("Połączenie")) {
        m_strConnection += (m_strConnection.empty() ? "" : "; ") + item.strText;
        session = session || item.strText.rfind("BPC: 2", 0) == 0;
        db = db || item.strText.rfind("DB: 1", 0) == 0;
    }
    return session && db;
}

// How often each tag reached the service, to its own recipient.
std::map<std::string, int> FaultRun::ArrivedByTag() {
    std::map<std::string, int> arrived;
    const std::vector<std::string> lines = m_sim.Sms();
    for (const WrittenSms& sms : m_sms)
        for (const std::string& line : lines) {
            // <id> <sender> <recipient> class0= unicode= <text>
            std::istringstream fields(line);
            std::string id, sender, recipient;
            fields >> id >> sender >> recipient;
            arrived[sms.strTag] +=
                recipient == "+48" + sms.strNumber && line.find(sms.strTag) != std::string::npos;
        }
    return arrived;
}

bool FaultRun::EverySmsArrived() {
    std::map<std::string, int> arrived = ArrivedByTag();
    for (const WrittenSms& sms : m_sms)
        if (!sms.bDeleted && arrived[sms.strTag] == 0)
            return false;
    return true;
}

void FaultRun::CheckProcess() {
    if (m_bClientDown || m_client.Running())
        return;
    Fail("the client ended by itself, exit code " + std::to_string(m_client.ExitCode()));
    Restart();
}

void FaultRun::CheckSms() {
    std::map<std::string, int> arrived = ArrivedByTag();
    for (const WrittenSms& sms : m_sms) {
        const int n = arrived[sms.strTag];
        const std::string which = sms.strTag + " to +48" + sms.strNumber;
        if (n == 0 && !sms.bDeleted)
            Fail("SMS " + which + " never reached the service");
        if (n > 1 && !m_resendConfirmed.count(sms.strNumber))
            Fail("SMS " + which + " reached the service " + std::to_string(n) +
                 " times, no resend confirmed");
    }
    Note(std::to_string(m_sms.size()) + " SMS written, " + std::to_string(m_sim.Sms().size()) +
         " accepted by the service");
}

void FaultRun::CheckFiles() {
    const std::string folder = CWinApp::DataFolder("BriskoPC") + "\\" + kLogin;
    std::string bytes;
    if (ReadFile(folder + ".obx", bytes)) {
        OutboxFileContent outbox = DecodeOutboxFile(bytes);
        if (outbox.bBroken)
            Fail("the outbox file does not parse");
        // One the service has would go out again at the next start, unless it
        // is marked for a check first.
        std::map<std::string, int> arrived = ArrivedByTag();
        for (const OutboxEntry& e : outbox.entries) {
            Note("left in the outbox file: " + e.strNumber + " " + e.strText.substr(0, 16) +
                 (e.bUncertain ? " (uncertain)" : ""));
            for (const WrittenSms& sms : m_sms)
                if (!e.bUncertain && e.strNumber == "+48" + sms.strNumber && arrived[sms.strTag])
                    Fail("SMS " + sms.strTag + " reached the service but waits in the outbox file");
        }
    }
    if (ReadFile(folder + ".cts", bytes) && DecodeContactsFile(bytes).bBroken)
        Fail("the contacts file does not parse");
}
