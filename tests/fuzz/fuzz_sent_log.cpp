// The log of sent SMS on any bytes: no more SMS than it gives back, each with
// a key no larger than the last, a number it could write and a text an
// outbox SMS holds; what was read writes and reads back the same.
#include "FuzzCheck.h"
#include "framework/RecordLog.h"
#include "sms/OutboxFile.h"
#include "sms/SentLog.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const SentLogContent content = DecodeSentLog(bytes);
    Check(content.sms.size() <= kMaxSentLogSms);
    std::string written;
    for (const SentSmsEntry& sms : content.sms) {
        Check(sms.nKey >= 1 && sms.nKey <= content.nLastKey);
        Check(sms.strText.size() <= kMaxOutboxText);
        const std::string payload = SentSmsPayload(sms);
        Check(!payload.empty());
        written += EncodeLogLine(payload);
        if (sms.bReported)
            written += EncodeLogLine(ReportPayload(sms.nKey));
    }
    const SentLogContent again = DecodeSentLog(written);
    Check(again.sms.size() == content.sms.size());
    for (size_t i = 0; i < again.sms.size(); ++i) {
        const SentSmsEntry &a = again.sms[i], &b = content.sms[i];
        Check(a.nKey == b.nKey && a.nSmsId == b.nSmsId && a.strSentAt == b.strSentAt &&
              a.strNumber == b.strNumber && a.strText == b.strText && a.bClass0 == b.bClass0 &&
              a.bUnicode == b.bUnicode && a.bReported == b.bReported);
    }
    return 0;
}
