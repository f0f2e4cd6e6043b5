#include "ChatText.h"

#include "Response.h"

bool ParseReceivedMessage(const char* response, ReceivedMessage& m) {
    if (!StartsWith(response, "RECEIVEMSGOK"))
        return false;
    ResponseReader reader(response);
    m.nUserId = reader.NextInt();
    m.strKind = reader.NextField();
    m.strTime = reader.NextField();
    m.strText = reader.Rest();
    return true;
}

bool ParseUserInfo(const char* response, UserInfo& u) {
    if (!StartsWith(response, "USEROK"))
        return false;
    ResponseReader reader(response);
    u.nUserId = reader.NextInt();
    u.strName = reader.NextField();
    u.strNumber = reader.Rest();
    return true;
}

std::string MessageHeader(const std::string& time, const std::string& name) {
    std::string clock = time.size() > 11 ? time.substr(11, 5) : std::string();
    return "[" + clock + "] <" + name + "> ";
}

bool CPendingMessages::Announce(int nMsgId) {
    if (m_shown.count(nMsgId) || m_pending.count(nMsgId))
        return false;
    // A flood the service cannot be asked about in time: the oldest goes.
    if (m_pending.size() >= kMaxPending)
        m_pending.erase(m_pending.begin());
    m_pending[nMsgId];
    return true;
}

std::vector<int> CPendingMessages::TakeForFetch(size_t limit) {
    std::vector<int> ids;
    for (auto& [id, p] : m_pending) {
        if (ids.size() >= limit)
            break;
        if (p.bFetching)
            continue;
        p.bFetching = true;
        ++p.nTries;
        ids.push_back(id);
    }
    return ids;
}

bool CPendingMessages::FetchFailed(int nMsgId) {
    auto it = m_pending.find(nMsgId);
    if (it == m_pending.end())
        return false;
    it->second.bFetching = false;
    if (it->second.nTries < kMaxTries)
        return false;
    m_pending.erase(it);
    return true;
}

bool CPendingMessages::Fetched(int nMsgId) {
    m_pending.erase(nMsgId);
    if (m_shown.count(nMsgId))
        return false;
    Remember(nMsgId);
    return true;
}

void CPendingMessages::Refused(int nMsgId) {
    m_pending.erase(nMsgId);
}

void CPendingMessages::Clear() {
    m_pending.clear();
}

std::vector<int> CPendingMessages::Ids() const {
    std::vector<int> ids;
    for (const auto& entry : m_pending)
        ids.push_back(entry.first);
    return ids;
}

void CPendingMessages::Remember(int nMsgId) {
    m_shown.insert(nMsgId);
    m_shownOrder.push_back(nMsgId);
    if (m_shownOrder.size() > kShownKept) {
        m_shown.erase(m_shownOrder.front());
        m_shownOrder.pop_front();
    }
}

namespace {
// RTF's own characters escaped, line ends as paragraphs, letters past ASCII
// as their cp1250 codes.
void AppendRichText(std::string& rtf, const std::string& text) {
    static const char kHex[] = "0123456789abcdef";
    for (size_t i = 0; i < text.size(); i++) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        if (c == '\n' || c == '\r') {
            rtf += "\\par\n";
        } else if (c == '\\' || c == '{' || c == '}') {
            rtf += '\\';
            rtf += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x80) {
            rtf += "\\'";
            rtf += kHex[c >> 4];
            rtf += kHex[c & 15];
        } else {
            rtf += static_cast<char>(c);
        }
    }
}
} // namespace

std::string RichTextOf(const std::vector<RichPiece>& pieces, unsigned char red, unsigned char green,
                       unsigned char blue) {
    std::string rtf = "{\\rtf1\\ansi\\ansicpg1250\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset238 "
                      "Tahoma;}}{\\colortbl;\\red" +
                      std::to_string(red) + "\\green" + std::to_string(green) + "\\blue" +
                      std::to_string(blue) + ";}\\f0\\fs18\\cf1 ";
    for (const RichPiece& piece : pieces) {
        if (piece.bBold)
            rtf += "\\b ";
        AppendRichText(rtf, piece.strText);
        if (piece.bBold)
            rtf += "\\b0 ";
    }
    return rtf + "}";
}
