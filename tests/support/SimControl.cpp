#include "SimControl.h"

#include <windows.h>
#include <wininet.h>

#include <cstdlib>
#include <sstream>

namespace {
int PortFrom(const char* variable) {
    const char* value = std::getenv(variable);
    return value ? std::atoi(value) : 0;
}
} // namespace

int SimControl::HttpsPort() {
    return PortFrom("BRISKO_SIM_HTTPS_PORT");
}
int SimControl::UntrustedHttpsPort() {
    return PortFrom("BRISKO_SIM_UNTRUSTED_PORT");
}

SimControl::SimControl(bool bUntrusted)
    : m_hInternet(
          ::InternetOpenA("BriskoPC tests", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0)),
      m_hConnect(::InternetConnectA(
          m_hInternet, "127.0.0.1",
          static_cast<INTERNET_PORT>(PortFrom(bUntrusted ? "BRISKO_SIM_UNTRUSTED_CONTROL_PORT"
                                                         : "BRISKO_SIM_CONTROL_PORT")),
          nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0)) {}

SimControl::~SimControl() {
    if (m_hConnect)
        ::InternetCloseHandle(m_hConnect);
    if (m_hInternet)
        ::InternetCloseHandle(m_hInternet);
}

std::string SimControl::Send(const char* verb, const std::string& path, const std::string& body,
                             bool* ok) {
    *ok = false;
    HINTERNET request = ::HttpOpenRequestA(
        m_hConnect, verb, path.c_str(), "HTTP/1.1", nullptr, nullptr,
        INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE, 0);
    if (!request)
        return {};
    std::string reply;
    if (::HttpSendRequestA(request, nullptr, 0, const_cast<char*>(body.data()),
                           static_cast<DWORD>(body.size()))) {
        DWORD status = 0, size = sizeof status;
        ::HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                         nullptr);
        char chunk[4096];
        DWORD read = 0;
        while (::InternetReadFile(request, chunk, sizeof chunk, &read) && read)
            reply.append(chunk, read);
        *ok = status == 200;
    }
    ::InternetCloseHandle(request);
    return reply;
}

bool SimControl::Command(const char* verb, const std::string& path, const std::string& body) {
    bool ok;
    Send(verb, path, body, &ok);
    return ok;
}

bool SimControl::StartAfresh() {
    return Reachable() && Slow(0) && Expire() && ClearLog() && ClearSms() &&
           SetCredits("%2B48600100200", 250) && Command("POST", "/push/reset") && ReportDelay(-1) &&
           AutoReplyOff() && SetVersion("0.22") && Command("DELETE", "/installer") &&
           InstallerMode("normal") && InstallerRate(0) && ClearInstallerRequests();
}

bool SimControl::Answer(const std::string& function, const std::string& body) {
    return Command("PUT", "/answer/" + function, body);
}

bool SimControl::AnswerOnce(const std::string& function, const std::string& body) {
    return Command("POST", "/answer/" + function + "/once", body);
}

bool SimControl::Reset(const std::string& function) {
    return Command("DELETE", "/answer/" + function);
}
bool SimControl::LoseAnswer(const std::string& function) {
    return Command("POST", "/lose/" + function);
}
bool SimControl::Unreachable() {
    return Command("POST", "/unreachable");
}
bool SimControl::Reachable() {
    return Command("POST", "/reachable");
}
bool SimControl::Slow(int ms) {
    return Command("POST", "/slow?ms=" + std::to_string(ms));
}
bool SimControl::Expire() {
    return Command("POST", "/expire");
}
bool SimControl::SetCredits(const std::string& login, int value) {
    return Command("PUT", "/credits/" + login + "?value=" + std::to_string(value));
}

bool SimControl::ClearLog() {
    return Command("DELETE", "/log");
}

std::vector<std::string> SimControl::Log() {
    return Lines("/log");
}

std::vector<std::string> SimControl::Sms() {
    return Lines("/sms");
}

bool SimControl::ClearSms() {
    return Command("DELETE", "/sms");
}

std::vector<std::string> SimControl::Lines(const std::string& path) {
    bool ok;
    std::istringstream text(Send("GET", path, "", &ok));
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);)
        if (!line.empty())
            lines.push_back(line);
    return lines;
}

std::vector<std::string> SimControl::LoggedFunctions() {
    std::vector<std::string> functions;
    for (const std::string& line : Log()) {
        std::istringstream fields(line);
        std::string connection, function;
        fields >> connection >> function;
        functions.push_back(function);
    }
    return functions;
}

std::string SimControl::Reply(const char* verb, const std::string& path, const std::string& body) {
    bool ok;
    std::string reply = Send(verb, path, body, &ok);
    return ok ? reply : std::string();
}

bool SimControl::PushMode(const std::string& session, const std::string& alive) {
    return Command("PUT", "/push/mode?session=" + session + "&alive=" + alive);
}

int SimControl::PushEvent(const std::string& login, int type, unsigned param) {
    return std::atoi(Reply("POST", "/push/event/" + login + "?type=" + std::to_string(type) +
                                       "&param=" + std::to_string(param))
                         .c_str());
}

int SimControl::PushRaw(const std::string& login, const std::string& bytes,
                        const std::vector<int>& split, int gapMs) {
    std::string path = "/push/raw/" + login;
    if (!split.empty()) {
        std::string sizes;
        for (int n : split)
            sizes += (sizes.empty() ? "" : ",") + std::to_string(n);
        path += "?split=" + sizes + "&gap=" + std::to_string(gapMs);
    }
    return std::atoi(Reply("POST", path, bytes).c_str());
}

bool SimControl::PushDrop(const std::string& login, const std::string& how) {
    return Command("POST", "/push/drop/" + login + "?how=" + how);
}

bool SimControl::PushDropAll(const std::string& how) {
    return Command("POST", "/push/drop-all?how=" + how);
}

unsigned SimControl::PushMessage(const std::string& login, const std::string& from, int kind,
                                 const std::string& text) {
    // A "+" in a query is a space.
    std::string sender = from.empty() || from[0] != '+' ? from : "%2B" + from.substr(1);
    return static_cast<unsigned>(std::strtoul(
        Reply("POST",
              "/push/message/" + login + "?from=" + sender + "&kind=" + std::to_string(kind), text)
            .c_str(),
        nullptr, 10));
}

std::vector<std::string> SimControl::Messages(const std::string& login) {
    return Lines("/push/messages/" + login);
}

std::vector<std::string> SimControl::Texts() {
    return Lines("/push/texts");
}

bool SimControl::ClearTexts() {
    return Command("DELETE", "/push/texts");
}

bool SimControl::NoSession(const std::string& login) {
    return Command("POST", "/push/nosession/" + login);
}

bool SimControl::AutoReply(const std::string& login, int ms) {
    return Command("PUT", "/push/autoreply/" + login + "?ms=" + std::to_string(ms));
}

bool SimControl::AutoReplyOff() {
    return Command("DELETE", "/push/autoreply");
}

bool SimControl::Load(const std::string& login, int presences, int messages, int senders,
                      int seconds, unsigned seed) {
    return Command("POST", "/push/load/" + login + "?presences=" + std::to_string(presences) +
                               "&messages=" + std::to_string(messages) + "&senders=" +
                               std::to_string(senders) + "&seconds=" + std::to_string(seconds) +
                               "&seed=" + std::to_string(seed));
}

bool SimControl::Burst(const std::string& login, int count, unsigned seed, int reports,
                       int* pnReported, int* pnMessages) {
    bool ok;
    std::istringstream reply(Send("POST",
                                  "/push/burst/" + login + "?count=" + std::to_string(count) +
                                      "&seed=" + std::to_string(seed) +
                                      "&reports=" + std::to_string(reports),
                                  "", &ok));
    std::string reportsWord, messagesWord;
    *pnReported = *pnMessages = 0;
    return ok && reply >> reportsWord >> *pnReported >> messagesWord >> *pnMessages &&
           reportsWord == "reports" && messagesWord == "messages";
}

bool SimControl::PushStall(const std::string& login, bool on) {
    return Command("POST", "/push/stall/" + login + "?on=" + (on ? "1" : "0"));
}

bool SimControl::SetPresence(const std::string& login, int value) {
    return Command("PUT", "/presence/" + login + "?value=" + std::to_string(value));
}

std::vector<std::string> SimControl::Contacts(const std::string& login) {
    return Lines("/contacts/" + login);
}

bool SimControl::ReportDelay(int ms) {
    return Command("PUT", "/push/report-delay?ms=" + std::to_string(ms));
}

std::vector<std::string> SimControl::PushLog() {
    return Lines("/push/log");
}

bool SimControl::SetVersion(const std::string& text) {
    return Command("PUT", "/version", text);
}

bool SimControl::SetInstaller(const std::string& bytes) {
    return Command("PUT", "/installer", bytes);
}

bool SimControl::SetInstallerSize(unsigned size) {
    return Command("PUT", "/installer?size=" + std::to_string(size));
}

std::string SimControl::Installer() {
    return Reply("GET", "/installer");
}

bool SimControl::InstallerMode(const std::string& mode) {
    return Command("PUT", "/installer/mode", mode);
}

bool SimControl::InstallerRate(int bytesPerSecond) {
    return Command("PUT", "/installer/rate", std::to_string(bytesPerSecond));
}

std::vector<std::string> SimControl::InstallerRequests() {
    return Lines("/installer/requests");
}

bool SimControl::ClearInstallerRequests() {
    return Command("DELETE", "/installer/requests");
}
