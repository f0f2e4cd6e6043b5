// The real BriskoPC.exe, started beside the program that tests it, and what
// another process can see of it: its main window, its dialogs and boxes.
#pragma once

#include "Files.h"
#include "WideText.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// The client's profile in its data folder, its values (cp1250), and one
// pointing it at a service with stored credentials.
Path ClientProfilePath();
void WriteClientProfileValue(const char* entry, const std::string& value);
std::string ReadClientProfileValue(const char* entry, const char* absent = "");
void DeleteClientProfile();
void WriteClientProfile(int port, const std::string& login, const std::string& password);

// What another process's control holds, whole (a window text is cut at 1 KB),
// within 2 s; empty when it does not answer.
std::string RemoteText(HWND hWnd);
// The texts of a dialog's children other than buttons, joined by "|": what a box says.
std::string DialogText(HWND hDlg);

// The visible dialogs and message boxes of a thread; with bHiddenToo the
// hidden ones as well (modeless dialogs kept for later).
std::vector<HWND> ThreadDialogs(DWORD dwThreadId, bool bHiddenToo = false);

// Runs a program of the machine under Wine (a Unix command line); true when it
// ended with 0 within `ms`.
bool RunUnix(const std::string& commandLine, DWORD ms);

// A part of the screen (the virtual desktop is the X screen), or a window as
// the screen shows it, cut out into a PNG file at a Unix path.
bool ShootScreen(const RECT& r, const std::string& png);
bool ShootWindow(HWND hWnd, const std::string& png);
// The Unix path of the picture `name` of this run: in the run's screenshot
// folder (BRISKO_SHOTS), the Windows locale (BRISKO_LOCALE) in its name; empty
// when the run keeps none.
std::string ShotFile(const std::string& name);

// A click of a dialog's button, as its window's thread gets it.
void Press(HWND window, int nID);

// Polls done() every `pollMs` until it holds or the time is up; returns done().
bool WaitFor(const std::function<bool()>& done, DWORD ms, DWORD pollMs = 100);

// Starts a program or a shortcut as the shell does, with its parameters, in
// `directory` if one is given; its process, null when it did not start.
HANDLE Launch(const std::string& file, const std::string& parameters = "",
              const std::string& directory = "");

class ClientProcess {
public:
    ClientProcess() = default;
    ~ClientProcess();
    ClientProcess(const ClientProcess&) = delete;
    ClientProcess& operator=(const ClientProcess&) = delete;

    // Starts BriskoPC.exe from this program's folder and waits up to 10 s for
    // its main window, looking every `pollMs`.
    bool Start(DWORD pollMs = 100);
    // Starts a program or a shortcut as Launch does (a shortcut in the folder
    // it names); waits as Start does.
    bool Open(const std::string& file, const std::string& directory = "", DWORD pollMs = 100);
    bool Running() const;
    // "Zakończ"; true when the process ended within `ms`.
    bool Quit(DWORD ms);
    void Kill();
    DWORD ExitCode() const;

    // The visible dialogs of its main thread: message boxes and its own dialogs.
    std::vector<HWND> Dialogs() const;
    // Its main thread's dialogs, hidden ones included.
    std::vector<HWND> AllDialogs() const;
    // Its visible dialog for which has(dialog) holds, waited for up to `ms`.
    HWND WaitForDialog(const std::function<bool(HWND)>& has, DWORD ms) const;

    HANDLE Process() const { return m_pi.hProcess; }
    HWND Main() const { return m_hMain; }
    // A control of the main window. The window can be found before its
    // dialog template has made its children, so this waits up to 5 s.
    HWND Child(int nId) const;

private:
    void Close();
    PROCESS_INFORMATION m_pi = {};
    HWND m_hMain = nullptr;
};
