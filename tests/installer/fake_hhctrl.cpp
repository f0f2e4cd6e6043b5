// A stand-in of the HTML Help viewer's library for the installed program:
// HtmlHelpW notes each call in %TEMP%\briskopc-htmlhelp.txt and opens nothing.
// A line is "<file>|<command>|<path>|<major>.<minor>", the file in UTF-8: the
// last two are the common controls loaded in the program that called it, the
// file and what its DllGetVersion says.
#include <windows.h>

#include <shlwapi.h>

#include <cstdio>
#include <string>

namespace {

std::string CommonControls() {
    HMODULE comctl = ::GetModuleHandleA("comctl32.dll");
    char path[MAX_PATH] = "";
    DLLVERSIONINFO info = {sizeof info, 0, 0, 0, 0};
    if (comctl) {
        ::GetModuleFileNameA(comctl, path, sizeof path);
        if (auto get = reinterpret_cast<DLLGETVERSIONPROC>(
                reinterpret_cast<void*>(::GetProcAddress(comctl, "DllGetVersion"))))
            get(&info);
    }
    return std::string(path) + "|" + std::to_string(info.dwMajorVersion) + "." +
           std::to_string(info.dwMinorVersion);
}

} // namespace

extern "C" __declspec(dllexport) HWND WINAPI
    HtmlHelpW(HWND, LPCWSTR file, UINT command, DWORD_PTR) {
    // Beside this file: the temporary folder lies under the user's name.
    char dir[MAX_PATH] = "";
    HMODULE self = nullptr;
    ::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                             GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCSTR>(&HtmlHelpW), &self);
    std::string notesPath(dir, ::GetModuleFileNameA(self, dir, sizeof dir));
    notesPath = notesPath.substr(0, notesPath.rfind('\\') + 1) + "briskopc-htmlhelp.txt";
    char name[MAX_PATH * 3] = "";
    if (file)
        ::WideCharToMultiByte(CP_UTF8, 0, file, -1, name, sizeof name, nullptr, nullptr);
    if (FILE* notes = std::fopen(notesPath.c_str(), "ab")) {
        std::fprintf(notes, "%s|%u|%s\n", name, command, CommonControls().c_str());
        std::fclose(notes);
    }
    return nullptr;
}
