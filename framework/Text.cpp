#include "Text.h"

#include <shellapi.h>

#include <vector>

namespace {
const UINT kTextCodePage = 1250;

std::wstring ToWide(UINT codePage, std::string_view bytes) {
    if (bytes.empty() || bytes.size() > INT_MAX)
        return {};
    int n = ::MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()),
                                  nullptr, 0);
    std::wstring wide(n > 0 ? n : 0, L'\0');
    if (n > 0)
        ::MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()),
                              wide.data(), n);
    return wide;
}

std::string FromWide(UINT codePage, std::wstring_view text) {
    if (text.empty() || text.size() > INT_MAX / 4)
        return {};
    // Neither code page may be given the flags the other needs: UTF-8 takes none.
    const bool utf8 = codePage == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const char* fallback = utf8 ? nullptr : "?";
    int n = ::WideCharToMultiByte(codePage, flags, text.data(), static_cast<int>(text.size()),
                                  nullptr, 0, fallback, nullptr);
    std::string bytes(n > 0 ? n : 0, '\0');
    if (n > 0)
        ::WideCharToMultiByte(codePage, flags, text.data(), static_cast<int>(text.size()),
                              bytes.data(), n, fallback, nullptr);
    return bytes;
}

bool IsHighSurrogate(wchar_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(wchar_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}
} // namespace

namespace fw {

std::wstring Wide(std::string_view cp1250) {
    return ToWide(kTextCodePage, cp1250);
}

std::string Cp1250(std::wstring_view text) {
    // The system would give a pair two "?"; the user typed one character.
    std::wstring single;
    single.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        bool pair = IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1]);
        single.push_back(pair ? L'?' : text[i]);
        i += pair ? 1 : 0;
    }
    return FromWide(kTextCodePage, single);
}

std::wstring PathW(std::string_view utf8) {
    return ToWide(CP_UTF8, utf8);
}

std::string PathText(std::wstring_view path) {
    return FromWide(CP_UTF8, path);
}

std::string ShownPath(std::string_view utf8) {
    return Cp1250(PathW(utf8));
}

std::string GetText(HWND hWnd) {
    std::vector<wchar_t> text(::GetWindowTextLengthW(hWnd) + 1);
    int n = ::GetWindowTextW(hWnd, text.data(), static_cast<int>(text.size()));
    return Cp1250(std::wstring_view(text.data(), n > 0 ? n : 0));
}

void SetText(HWND hWnd, std::string_view text) {
    ::SetWindowTextW(hWnd, Wide(text).c_str());
}

void SetControlText(HWND hDlg, int nID, std::string_view text) {
    SetText(::GetDlgItem(hDlg, nID), text);
}

BOOL AppendMenuText(HMENU hMenu, UINT_PTR nID, std::string_view text) {
    return ::AppendMenuW(hMenu, MF_STRING, nID, Wide(text).c_str());
}

bool ShellOpen(HWND owner, const std::wstring& target) {
    return reinterpret_cast<INT_PTR>(::ShellExecuteW(owner, L"open", target.c_str(), nullptr,
                                                     nullptr, SW_SHOWNORMAL)) > 32;
}

} // namespace fw
