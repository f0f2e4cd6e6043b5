// Where the program's texts meet the platform's windows. Inside, every text is
// cp1250 bytes; the windows are Unicode windows, so each text crosses here,
// always through code page 1250 itself and never through the system's code
// page, which on an English or a UTF-8 Windows would garble every Polish letter.
// Paths are different: a user's folder may hold letters cp1250 lacks ("Søren"),
// so they are kept in UTF-8 and turned into UTF-16 only for the call that
// opens the file.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace fw {

// Each byte becomes one character; the five bytes cp1250 leaves unassigned
// (0x81, 0x83, 0x88, 0x90, 0x98) keep their value as control characters, so
// the text after them is never lost and comes back byte for byte.
std::wstring Wide(std::string_view cp1250);
// A character cp1250 has no byte for (an emoji, "ø") becomes one "?": never a
// look-alike letter, never two marks for one surrogate pair.
std::string Cp1250(std::wstring_view text);

// Paths: UTF-8 inside the program, UTF-16 for the platform, nothing lost.
std::wstring PathW(std::string_view utf8);
std::string PathText(std::wstring_view path);
// A path as a user reads it in a message: letters cp1250 lacks show as "?".
std::string ShownPath(std::string_view utf8);

// Window texts: control captions, edit contents, static texts.
std::string GetText(HWND hWnd);
void SetText(HWND hWnd, std::string_view text);
void SetControlText(HWND hDlg, int nID, std::string_view text);
// A menu built at run time: one more item at its end.
BOOL AppendMenuText(HMENU hMenu, UINT_PTR nID, std::string_view text);

// Opens an address, a document or a program as the shell would; true when it
// started. An address is a text (Wide), a file a path (PathW).
bool ShellOpen(HWND owner, const std::wstring& target);

} // namespace fw
