#include "StoredPassword.h"

#include <wincrypt.h>

#include <cstdio>
#include <memory>

namespace {
const char kSection[] = "BriskoPC";
// What earlier versions wrote, in plain text.
const char kPlainEntry[] = "Password";
const char kProtectedEntry[] = "ProtectedPassword";
// Ties the protected form to this program, not to any of the user's.
char kEntropy[] = "BriskoPC";

DATA_BLOB Blob(const void* data, size_t size) {
    return {static_cast<DWORD>(size), static_cast<BYTE*>(const_cast<void*>(data))};
}

struct LocalFreer {
    void operator()(BYTE* p) const { ::LocalFree(p); }
};

std::string ToHex(const BYTE* data, DWORD size) {
    std::string text;
    char pair[3];
    for (DWORD i = 0; i < size; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", data[i]);
        text += pair;
    }
    return text;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// FALSE for anything that is not whole pairs of lower-case hex digits.
BOOL FromHex(const std::string& text, std::string& bytes) {
    if (text.size() % 2 != 0)
        return FALSE;
    bytes.clear();
    for (size_t i = 0; i < text.size(); i += 2) {
        int high = HexDigit(text[i]), low = HexDigit(text[i + 1]);
        if (high < 0 || low < 0)
            return FALSE;
        bytes += static_cast<char>(high * 16 + low);
    }
    return TRUE;
}

std::string Unprotect(const std::string& stored) {
    std::string bytes;
    if (!FromHex(stored, bytes))
        return "";
    DATA_BLOB in = Blob(bytes.data(), bytes.size());
    DATA_BLOB entropy = Blob(kEntropy, sizeof kEntropy - 1);
    DATA_BLOB out = {};
    if (!::CryptUnprotectData(&in, nullptr, &entropy, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN,
                              &out))
        return "";
    std::unique_ptr<BYTE, LocalFreer> owned(out.pbData);
    return std::string(reinterpret_cast<const char*>(out.pbData), out.cbData);
}
} // namespace

std::string ReadStoredPassword(CWinApp& app) {
    std::string stored = app.GetProfileString(kSection, kProtectedEntry);
    if (!stored.empty())
        return Unprotect(stored);
    std::string plain = app.GetProfileString(kSection, kPlainEntry);
    if (!plain.empty())
        WriteStoredPassword(app, plain);
    return plain;
}

BOOL WriteStoredPassword(CWinApp& app, const std::string& password) {
    DATA_BLOB in = Blob(password.data(), password.size());
    DATA_BLOB entropy = Blob(kEntropy, sizeof kEntropy - 1);
    DATA_BLOB out = {};
    if (!::CryptProtectData(&in, L"BriskoPC", &entropy, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN,
                            &out)) {
        DeleteStoredPassword(app);
        return FALSE;
    }
    std::unique_ptr<BYTE, LocalFreer> owned(out.pbData);
    app.WriteProfileString(kSection, kProtectedEntry, ToHex(out.pbData, out.cbData).c_str());
    app.WriteProfileString(kSection, kPlainEntry, nullptr);
    return TRUE;
}

void DeleteStoredPassword(CWinApp& app) {
    app.WriteProfileString(kSection, kProtectedEntry, nullptr);
    app.WriteProfileString(kSection, kPlainEntry, nullptr);
}
