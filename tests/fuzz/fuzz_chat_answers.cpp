// The message answers on any text: a RECEIVEMSG or GETUSERINFO answer is read
// only with its keyword, its fields never reach outside the text, and a
// header is made of any time text.
#include "FuzzCheck.h"
#include "chat/ChatText.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The answers reach the handlers NUL-terminated, cut at the first NUL.
    const std::string text(reinterpret_cast<const char*>(data), size);
    const char* response = text.c_str();
    const size_t length = std::char_traits<char>::length(response);

    ReceivedMessage m;
    if (ParseReceivedMessage(response, m)) {
        Check(text.compare(0, 12, "RECEIVEMSGOK") == 0);
        Check(m.strKind.size() + m.strTime.size() + m.strText.size() <= length);
        Check(MessageHeader(m.strTime, "Ola").size() <= 5 + 10);
    }
    UserInfo u;
    if (ParseUserInfo(response, u)) {
        Check(text.compare(0, 6, "USEROK") == 0);
        Check(u.strName.size() + u.strNumber.size() <= length);
    }
    return 0;
}
