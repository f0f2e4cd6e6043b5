#include "DataFileTest.h"

#include "ContactsFile.h"
#include "HistoryFile.h"
#include "OutboxFile.h"
#include "RecordLog.h"
#include "SentLog.h"

#include <cstdint>

namespace {

const size_t kNoLimit = 1 << 20;

std::vector<OutboxEntry> Outbox(int from, int count) {
    std::vector<OutboxEntry> sms;
    for (int i = from; i < from + count; ++i)
        sms.push_back({"+4860010020" + std::to_string(i % 10),
                       "SMS " + std::to_string(i) + " \xbf\xf3\xb3w\n", i % 2 == 0, i % 3 == 0,
                       false, ""});
    return sms;
}

// The entries of a file rewritten whole, each as a text; none when it is broken.
template <typename Content, typename Describe>
Records EntryRecords(const Content& content, Describe describe) {
    if (content.bBroken)
        return std::nullopt;
    std::vector<std::string> records;
    for (const auto& entry : content.entries)
        records.push_back(describe(entry));
    return records;
}

Records OutboxRecords(std::string_view bytes) {
    return EntryRecords(DecodeOutboxFile(bytes), [](const OutboxEntry& e) {
        return e.strNumber + "|" + e.strText + "|" + std::to_string(e.bClass0) +
               std::to_string(e.bUnicode) + std::to_string(e.bUncertain) + e.strSentAt;
    });
}

Records ContactsRecords(std::string_view bytes) {
    return EntryRecords(DecodeContactsFile(bytes), [](const ContactEntry& e) {
        return e.strNumber + "|" + e.strName + "|" + std::to_string(e.nUserId) + "|" +
               std::to_string(e.nPresence);
    });
}

HistoryEntry Message(int i) {
    return {static_cast<uint64_t>(1000 + i), "2026-12-09 07:15:0" + std::to_string(i % 10),
            i % 2 == 0, "wiadomo\x9c\xe6 " + std::to_string(i) + "\r\nz now\xb9 lini\xb9"};
}

Records HistoryRecords(std::string_view bytes) {
    std::vector<std::string> records;
    for (const HistoryEntry& e : LastHistoryEntries(bytes, SIZE_MAX))
        records.push_back(EncodeHistoryRecord(e));
    return records;
}

SentSmsEntry Sent(int key) {
    SentSmsEntry sms;
    sms.nKey = static_cast<uint64_t>(key);
    sms.nSmsId = 500 + key;
    sms.strSentAt = "2026-12-09 07:15:02";
    sms.strNumber = "+48600100201";
    sms.strText = "wys\xb3"
                  "any " +
                  std::to_string(key);
    return sms;
}

Records SentRecords(std::string_view bytes) {
    std::vector<std::string> records;
    for (const SentSmsEntry& sms : DecodeSentLog(bytes).sms)
        records.push_back(SentSmsPayload(sms) + (sms.bReported ? " reported" : ""));
    return records;
}

std::string Log(const std::vector<std::string>& payloads) {
    std::string bytes;
    for (const std::string& payload : payloads)
        bytes += EncodeLogLine(payload);
    return bytes;
}

std::vector<std::string> HistoryPayloads(int from, int count) {
    std::vector<std::string> payloads;
    for (int i = from; i < from + count; ++i)
        payloads.push_back(EncodeHistoryRecord(Message(i)));
    return payloads;
}

std::vector<std::string> SentPayloads(int from, int count) {
    std::vector<std::string> payloads;
    for (int i = from; i < from + count; ++i)
        payloads.push_back(SentSmsPayload(Sent(i)));
    // The first one's report came.
    payloads.push_back(ReportPayload(static_cast<uint64_t>(from)));
    return payloads;
}

using Parser = Records (*)(std::string_view);

std::function<Records(CFileOps&)> Reader(std::string path, std::string legacy, Parser parse) {
    return [=](CFileOps& ops) {
        std::string bytes;
        return ReadFileOrLegacy(ops, path, legacy, &bytes) ? parse(bytes) : parse("");
    };
}

// A file rewritten whole, then once more in the next run.
WriterCase Rewritten(std::string name, std::map<std::string, std::string> before, std::string path,
                     std::string legacy, std::string bytes, std::string nextBytes, Parser parse) {
    Records next = parse(nextBytes);
    return {std::move(name),
            std::move(before),
            [=](CFileOps& ops) { return ReplaceFileContent(ops, path, bytes); },
            Reader(path, legacy, parse),
            nullptr,
            [=](CFileOps& ops) { return ReplaceFileContent(ops, path, nextBytes); },
            [=](const std::vector<std::string>&) { return next; }};
}

// A log with `old` records, one appended past a limit, then one more in
// the next run; when the limit is reached the log is rotated first.
WriterCase Appended(std::string name, std::string path, const std::vector<std::string>& old,
                    std::string payload, std::string nextPayload, bool rotate, Parser parse) {
    const std::string before = Log(old);
    const size_t limit = rotate ? before.size() : kNoLimit;
    Records nextRecord = parse(EncodeLogLine(nextPayload));
    return {std::move(name),
            {{path, before}},
            [=](CFileOps& ops) { return CRecordLogFile(ops, path, limit).Append(payload); },
            Reader(path, path + ".legacy", parse),
            rotate
                ? std::function<Records()>([=] { return parse(RotateLog(before, limit / 4 * 3)); })
                : nullptr,
            [=](CFileOps& ops) { return CRecordLogFile(ops, path, kNoLimit).Append(nextPayload); },
            [=](const std::vector<std::string>& found) -> Records {
                std::vector<std::string> records = found;
                records.insert(records.end(), nextRecord->begin(), nextRecord->end());
                return records;
            }};
}

} // namespace

std::vector<WriterCase> DataFileCases(const std::string& folder) {
    const std::string obx = folder + "+48600100200.obx", legacy = folder + "cwd+48600100200.obx";
    const std::string cts = folder + "+48600100200.cts";
    const std::string hst = folder + "+48600100200-600100201.hst";
    const std::string snt = folder + "+48600100200.snt";
    std::vector<OutboxEntry> grown = Outbox(1, 3);
    grown.back().bUncertain = true;
    grown.back().strSentAt = "2026-12-09 07:15:02";
    const std::vector<ContactEntry> contacts = {{"Jan Kowalski", "+48600100201", 10, 1},
                                                {"Beata", "+48600100202", 26, -1},
                                                {"Brisko", "Brisko", 0, 0}};
    return {
        Rewritten("outbox rewritten", {{obx, EncodeOutboxFile(Outbox(1, 2))}}, obx, legacy,
                  EncodeOutboxFile(grown), EncodeOutboxFile(Outbox(2, 1)), OutboxRecords),
        Rewritten("outbox first written beside an earlier installation's",
                  {{legacy, EncodeOutboxFile(Outbox(1, 2))}}, obx, legacy,
                  EncodeOutboxFile(Outbox(1, 3)), EncodeOutboxFile(Outbox(4, 1)), OutboxRecords),
        Rewritten("contacts rewritten",
                  {{cts, EncodeContactsFile({contacts.begin(), contacts.end() - 1})}}, cts, "",
                  EncodeContactsFile(contacts), EncodeContactsFile({contacts[2]}), ContactsRecords),
        Appended("history appended", hst, HistoryPayloads(1, 3), HistoryPayloads(4, 1)[0],
                 HistoryPayloads(5, 1)[0], false, HistoryRecords),
        Appended("history rotated", hst, HistoryPayloads(1, 8), HistoryPayloads(9, 1)[0],
                 HistoryPayloads(10, 1)[0], true, HistoryRecords),
        Appended("sent log appended", snt, SentPayloads(1, 2), SentPayloads(3, 1)[0],
                 SentPayloads(4, 1)[0], false, SentRecords),
        Appended("sent log rotated", snt, SentPayloads(1, 6), SentPayloads(7, 1)[0],
                 SentPayloads(8, 1)[0], true, SentRecords),
    };
}
