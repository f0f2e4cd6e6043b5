// The setup program that ./brisko package makes, run as users run it: silently
// in either mode, over an earlier installation, and the program it installs
// started from its shortcut.
#include "ClientProcess.h"
#include "Files.h"
#include "SimControl.h"
#include "SmsWithoutCredits.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <htmlhelp.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>

namespace {

const char kProductKey[] = "Software\\Velmora\\BriskoPC";
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\BriskoPC";
const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kLogin[] = "+48600100200";

struct Mode {
    const char* name;    // the setup program's switch, without its slash
    HKEY hRoot;          // where it registers the program
    int nProgramsFolder; // where the shortcuts go
    int nDesktopFolder;
};
const Mode kAllUsers = {"AllUsers", HKEY_LOCAL_MACHINE, CSIDL_COMMON_PROGRAMS,
                        CSIDL_COMMON_DESKTOPDIRECTORY};
const Mode kCurrentUser = {"CurrentUser", HKEY_CURRENT_USER, CSIDL_PROGRAMS,
                           CSIDL_DESKTOPDIRECTORY};

// Wide: the current user's folders lie under his name.
Path Folder(int csidl) {
    wchar_t path[MAX_PATH] = L"";
    ::SHGetFolderPathW(nullptr, csidl, nullptr, 0, path);
    return path;
}

// A folder and all it holds, as a run that stopped half-way left it.
void RemoveTree(const std::string& folder) {
    std::string from = folder + '\0'; // the list ends with a second NUL
    SHFILEOPSTRUCTA op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NO_UI;
    ::SHFileOperationA(&op);
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), ::tolower);
    return text;
}

// A value of the registry (this program's view is the 64-bit one); empty when missing.
std::string RegString(HKEY hRoot, const char* key, const char* value) {
    char text[1024] = "";
    DWORD size = sizeof text;
    if (::RegGetValueA(hRoot, key, value, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
        return "";
    return text;
}

DWORD RegDword(HKEY hRoot, const char* key, const char* value) {
    DWORD data = 0, size = sizeof data;
    ::RegGetValueA(hRoot, key, value, RRF_RT_REG_DWORD, nullptr, &data, &size);
    return data;
}

bool KeyExists(HKEY hRoot, const char* key) {
    HKEY h;
    if (::RegOpenKeyExA(hRoot, key, 0, KEY_READ, &h) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(h);
    return true;
}

// The program a shortcut starts, and the folder it starts it in.
bool ReadShortcut(const Path& lnk, std::string* target, std::string* folder) {
    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
    bool ok = false;
    if (SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IShellLinkA, reinterpret_cast<void**>(&link)))) {
        char path[MAX_PATH] = "", dir[MAX_PATH] = "";
        ok = SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
             SUCCEEDED(file->Load(lnk.c_str(), STGM_READ)) &&
             SUCCEEDED(link->GetPath(path, MAX_PATH, nullptr, 0)) &&
             SUCCEEDED(link->GetWorkingDirectory(dir, MAX_PATH));
        *target = path;
        *folder = dir;
    }
    if (file)
        file->Release();
    if (link)
        link->Release();
    return ok;
}

// A program started from a command line; ended if it still runs at the end.
class ProcessRunner {
public:
    explicit ProcessRunner(std::string commandLine) {
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &si, &m_pi))
            m_pi = {};
    }
    ~ProcessRunner() {
        if (m_pi.hProcess && Wait(0) == -1)
            ::TerminateProcess(m_pi.hProcess, 1);
        if (m_pi.hProcess) {
            ::CloseHandle(m_pi.hThread);
            ::CloseHandle(m_pi.hProcess);
        }
    }
    ProcessRunner(const ProcessRunner&) = delete;
    ProcessRunner& operator=(const ProcessRunner&) = delete;

    // Its exit code once it ended within `ms`, or -1.
    int Wait(DWORD ms) {
        DWORD code = 0;
        if (!m_pi.hProcess || ::WaitForSingleObject(m_pi.hProcess, ms) != WAIT_OBJECT_0 ||
            !::GetExitCodeProcess(m_pi.hProcess, &code))
            return -1;
        return static_cast<int>(code);
    }

private:
    PROCESS_INFORMATION m_pi = {};
};

int RunAndWait(const std::string& commandLine, DWORD ms = 60000) {
    return ProcessRunner(commandLine).Wait(ms);
}

// The version resource's text `name`, of the program's Polish cp1250 block.
std::string VersionText(const std::string& exe, const char* name) {
    DWORD handle = 0, size = ::GetFileVersionInfoSizeA(exe.c_str(), &handle);
    std::string block(size, '\0');
    char* text = nullptr;
    UINT length = 0;
    if (!size || !::GetFileVersionInfoA(exe.c_str(), 0, size, block.data()) ||
        !::VerQueryValueA(block.data(),
                          (std::string("\\StringFileInfo\\041504E2\\") + name).c_str(),
                          reinterpret_cast<void**>(&text), &length))
        return "";
    return std::string(text, length && !text[length - 1] ? length - 1 : length);
}

std::string Manifest(const std::string& exe) {
    HMODULE module = ::LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    std::string text;
    if (HRSRC found = module ? ::FindResourceA(module, MAKEINTRESOURCEA(1), RT_MANIFEST) : nullptr)
        text.assign(static_cast<const char*>(::LockResource(::LoadResource(module, found))),
                    ::SizeofResource(module, found));
    if (module)
        ::FreeLibrary(module);
    return text;
}

// True when the PE file has no section of debugging information.
bool Stripped(const std::string& exe) {
    const std::string image = ReadFile(exe);
    if (image.size() < sizeof(IMAGE_DOS_HEADER))
        return false;
    auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data());
    if (image.size() < dos->e_lfanew + sizeof(IMAGE_NT_HEADERS64))
        return false;
    auto nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(image.data() + dos->e_lfanew);
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
    for (int i = 0; i < nt->FileHeader.NumberOfSections; ++i)
        if (std::string(reinterpret_cast<const char*>(section[i].Name), 6) == ".debug")
            return false;
    // Long section names (those of the debugging information) live in the symbol table.
    return nt->FileHeader.PointerToSymbolTable == 0;
}

// A visible top-level window of any program for which is(window) holds.
HWND WaitForWindow(const std::function<bool(HWND)>& is, DWORD ms) {
    struct Search {
        const std::function<bool(HWND)>& is;
        HWND found;
    } search{is, nullptr};
    WaitFor(
        [&] {
            ::EnumWindows(
                [](HWND w, LPARAM param) {
                    auto& s = *reinterpret_cast<Search*>(param);
                    if (::IsWindowVisible(w) && s.is(w))
                        s.found = w;
                    return s.found ? FALSE : TRUE;
                },
                reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        ms);
    return search.found;
}

HWND WaitForTopLevel(const std::string& title, DWORD ms) {
    return WaitForWindow([&](HWND w) { return WindowText(w).rfind(title, 0) == 0; }, ms);
}

// A message box that says `text`.
HWND WaitForBox(const std::string& text, DWORD ms) {
    return WaitForWindow([&](HWND w) { return DialogText(w).find(text) != std::string::npos; }, ms);
}

// The setup program's pages: the page's own dialog inside the wizard, and its
// title (the header's, or the welcome and finish pages' own).
HWND PageOf(HWND wizard) {
    return ::FindWindowExA(wizard, nullptr, "#32770", nullptr);
}

std::string PageTitle(HWND wizard) {
    HWND header = ::GetDlgItem(wizard, 1037);
    if (header && ::IsWindowVisible(header) && !RemoteText(header).empty())
        return RemoteText(header);
    HWND page = PageOf(wizard);
    return page ? RemoteText(::GetDlgItem(page, 1201)) : "";
}

void Shoot(HWND window, const std::string& name) {
    if (const std::string png = ShotFile(name); !png.empty()) {
        EXPECT_TRUE(ShootWindow(window, png)) << png;
    }
}

// The screen of a page that did not come is kept, to see what came instead.
bool WaitForPage(HWND wizard, const std::string& title) {
    if (WaitFor([&] { return PageTitle(wizard).rfind(title, 0) == 0; }, 20000))
        return true;
    Shoot(::GetDesktopWindow(), "installer-unexpected");
    return false;
}

// The wizard's Next, Install or Finish button.
const int kNext = 1;
const int kRunCheckBox = 1203;
const int kDirectoryEdit = 1019;

class Installer : public ::testing::Test {
protected:
    void SetUp() override {
        const char* installer = std::getenv("BRISKO_INSTALLER");
        ASSERT_TRUE(installer && Exists(installer)) << "no installer: run through ./brisko test";
        setup = installer;
        ::CoInitialize(nullptr);
        RemoveTree(dir);
    }

    void TearDown() override {
        // A test that stopped half-way leaves its stand-in viewer behind.
        ::DeleteFileA((dir + "\\hhctrl.ocx").c_str());
        for (const Mode* mode : {&kAllUsers, &kCurrentUser})
            if (Exists(dir + "\\Odinstaluj.exe"))
                Uninstall(*mode);
        ::RegDeleteKeyValueA(HKEY_CURRENT_USER, kRunKey, "BriskoPC");
        ::CoUninitialize();
    }

    void Install(const Mode& mode) {
        ASSERT_EQ(RunAndWait("\"" + setup + "\" /S /" + mode.name + " /D=" + dir), 0);
    }

    // The uninstaller runs a copy of itself from the temporary folder, which
    // removes the folder last.
    void Uninstall(const Mode& mode) {
        ASSERT_EQ(RunAndWait("\"" + dir + "\\Odinstaluj.exe\" /S /" + mode.name), 0);
        EXPECT_TRUE(
            WaitFor([&] { return !Exists(dir + "\\Odinstaluj.exe") && OnlySetAsideLeft(); }, 30000))
            << "the folder is removed";
    }

    // True when the folder is gone, or holds nothing but copies of the library
    // that other programs still held and the setup programs set aside ("ns*.tmp",
    // to go at the next start of Windows).
    bool OnlySetAsideLeft() const {
        WIN32_FIND_DATAA found;
        HANDLE search = ::FindFirstFileA((dir + "\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            return true;
        bool only = true;
        do {
            const std::string name = Lower(found.cFileName);
            only = only && (name == "." || name == ".." ||
                            (name.rfind("ns", 0) == 0 && name.size() > 4 &&
                             name.compare(name.size() - 4, 4, ".tmp") == 0));
        } while (::FindNextFileA(search, &found));
        ::FindClose(search);
        return only;
    }

    std::string setup;
    const std::string dir = ScratchPath("BriskoPC-installed");
};

TEST_F(Installer, SilentlyInEitherModeItInstallsRegistersAndUninstallsEverything) {
    for (const Mode* mode : {&kAllUsers, &kCurrentUser}) {
        SCOPED_TRACE(mode->name);
        const HKEY hOther =
            mode->hRoot == HKEY_LOCAL_MACHINE ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
        Install(*mode);
        const std::string exe = dir + "\\BriskoPC.exe";
        for (const char* file : {"BriskoPC.exe", "Tarnix.dll", "bpc.chm", "Odinstaluj.exe"})
            EXPECT_TRUE(Exists(dir + "\\" + file)) << file;
        EXPECT_EQ(ReadFile(dir + "\\bpc.chm").compare(0, 4, "ITSF"), 0) << "a compiled help file";

        EXPECT_EQ(RegString(mode->hRoot, kProductKey, "InstallPath"), dir);
        EXPECT_EQ(RegString(hOther, kProductKey, "InstallPath"), "");
        EXPECT_EQ(RegString(mode->hRoot, kUninstallKey, "DisplayName"), "BriskoPC");
        EXPECT_EQ(RegString(mode->hRoot, kUninstallKey, "DisplayVersion"), BRISKOPC_VERSION);
        EXPECT_EQ(RegString(mode->hRoot, kUninstallKey, "Publisher"), "Velmora");
        EXPECT_EQ(RegString(mode->hRoot, kUninstallKey, "UninstallString"),
                  "\"" + dir + "\\Odinstaluj.exe\" /" + mode->name);
        const DWORD kilobytes =
            static_cast<DWORD>((ReadFile(exe).size() + ReadFile(dir + "\\bpc.chm").size()) / 1024);
        EXPECT_GE(RegDword(mode->hRoot, kUninstallKey, "EstimatedSize"), kilobytes);

        for (int folder : {mode->nProgramsFolder, mode->nDesktopFolder}) {
            std::string target, workdir;
            EXPECT_TRUE(ReadShortcut(Folder(folder) / "BriskoPC.lnk", &target, &workdir));
            EXPECT_EQ(target, exe);
            EXPECT_EQ(workdir, dir);
        }

        // What the program carries: its version, its manifest, no debugging symbols.
        EXPECT_EQ(VersionText(exe, "FileVersion"), BRISKOPC_VERSION);
        EXPECT_EQ(VersionText(exe, "ProductName"), "BriskoPC");
        EXPECT_EQ(VersionText(exe, "CompanyName"), "Velmora");
        EXPECT_NE(VersionText(exe, "FileDescription"), "");
        EXPECT_NE(VersionText(exe, "LegalCopyright").find("Velmora"), std::string::npos);
        const std::string manifest = Manifest(exe);
        for (const char* part :
             {"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"", "level=\"asInvoker\"",
              ">true</dpiAware>", ">system</dpiAwareness>",
              "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})
            EXPECT_NE(manifest.find(part), std::string::npos) << part;
        EXPECT_TRUE(Stripped(exe));
        EXPECT_TRUE(Stripped(dir + "\\Tarnix.dll"));

        // Autostart and the user's files, from using the program.
        ASSERT_EQ(::RegSetKeyValueA(HKEY_CURRENT_USER, kRunKey, "BriskoPC", REG_SZ, exe.c_str(),
                                    static_cast<DWORD>(exe.size() + 1)),
                  ERROR_SUCCESS);
        const Path contacts = ClientDataFile("+48600100200.cts");
        WriteFile(contacts, "kontakty");

        Uninstall(*mode);
        EXPECT_FALSE(Exists(exe));
        EXPECT_FALSE(KeyExists(mode->hRoot, kProductKey));
        EXPECT_FALSE(KeyExists(mode->hRoot, kUninstallKey));
        for (int folder : {mode->nProgramsFolder, mode->nDesktopFolder})
            EXPECT_FALSE(Exists(Folder(folder) / "BriskoPC.lnk"));
        EXPECT_EQ(RegString(HKEY_CURRENT_USER, kRunKey, "BriskoPC"), "");
        EXPECT_EQ(ReadFile(contacts), "kontakty") << "silently, the user's data stay";
        ::DeleteFileW(contacts.c_str());
    }
}

TEST_F(Installer, OverAnEarlierInstallationItKeepsTheUsersDataAndSettings) {
    Install(kCurrentUser);
    const std::string exe = dir + "\\BriskoPC.exe";
    ASSERT_EQ(::RegSetKeyValueA(HKEY_CURRENT_USER, kRunKey, "BriskoPC", REG_SZ, exe.c_str(),
                                static_cast<DWORD>(exe.size() + 1)),
              ERROR_SUCCESS);
    WriteClientProfile(1234, kLogin, "haslo123");
    const std::string profile = ReadFile(ClientProfilePath());
    const Path contacts = ClientDataFile("+48600100200.cts"),
               outbox = ClientDataFile("+48600100200.obx");
    WriteFile(contacts, "kontakty");
    WriteFile(outbox, "skrzynka");
    // The folder and the mode of the earlier installation are kept too.
    ASSERT_EQ(RunAndWait("\"" + setup + "\" /S"), 0);

    EXPECT_TRUE(Exists(exe));
    EXPECT_EQ(RegString(HKEY_CURRENT_USER, kProductKey, "InstallPath"), dir);
    EXPECT_EQ(RegString(HKEY_LOCAL_MACHINE, kProductKey, "InstallPath"), "");
    EXPECT_EQ(ReadFile(ClientProfilePath()), profile);
    EXPECT_EQ(ReadFile(contacts), "kontakty");
    EXPECT_EQ(ReadFile(outbox), "skrzynka");
    EXPECT_EQ(RegString(HKEY_CURRENT_USER, kRunKey, "BriskoPC"), exe);
    Uninstall(kCurrentUser);
    for (const Path& path : {ClientProfilePath(), contacts, outbox})
        ::DeleteFileW(path.c_str());
}

// The help is the installed one, whichever folder the program starts in. The
// viewer is a stand-in that notes its call from inside the program: Wine here
// has no HTML engine.
TEST_F(Installer, TheProgramStartsFromItsShortcutAndOpensTheInstalledHelp) {
    ASSERT_NE(SimControl::HttpsPort(), 0) << "no simulator: run through ./brisko test";
    Install(kCurrentUser);
    // The stand-in notes its calls beside itself.
    const std::string viewer = dir + "\\hhctrl.ocx", calls = dir + "\\briskopc-htmlhelp.txt";
    ASSERT_TRUE(
        ::CopyFileA(BesideThisProgram("viewer\\hhctrl.ocx").c_str(), viewer.c_str(), FALSE));
    WriteClientProfile(SimControl::HttpsPort(), kLogin, "haslo123");
    // Wine would load its own viewer in the stand-in's place.
    const char kOverrides[] = "Software\\Wine\\AppDefaults\\BriskoPC.exe\\DllOverrides";
    ASSERT_EQ(::RegSetKeyValueA(HKEY_CURRENT_USER, kOverrides, "hhctrl.ocx", REG_SZ, "native", 7),
              ERROR_SUCCESS);

    const Path shortcut = Folder(kCurrentUser.nProgramsFolder) / "BriskoPC.lnk";
    for (const std::string& folder : {std::string(), ScratchPath("")}) {
        SCOPED_TRACE(folder.empty() ? "from the shortcut" : "in another folder");
        ::DeleteFileA(calls.c_str());
        // The shell starts a shortcut's program in the folder the shortcut names.
        std::string program, workdir;
        ASSERT_TRUE(ReadShortcut(shortcut, &program, &workdir));
        ClientProcess client;
        ASSERT_TRUE(client.Open(program, folder.empty() ? workdir : folder));
        ::PostMessageA(client.Main(), WM_COMMAND, ID_HELP_CONTENTS, 0);
        EXPECT_TRUE(WaitFor([&] { return Exists(calls); }, 10000)) << "the viewer was called";
        // The call, and the common controls the manifest chose, seen from inside
        // the program: the side-by-side assembly of version 6. (Wine's copy of it
        // answers DllGetVersion with 5.81, so its file is what tells here.)
        const std::string call = ReadFile(calls);
        EXPECT_EQ(call.rfind(dir + "\\bpc.chm|" + std::to_string(HH_DISPLAY_TOPIC) + "|", 0), 0u)
            << call;
        std::string comctl = call;
        std::transform(comctl.begin(), comctl.end(), comctl.begin(), ::tolower);
        EXPECT_NE(
            comctl.find("\\winsxs\\amd64_microsoft.windows.common-controls_6595b64144ccf1df_6.0."),
            std::string::npos)
            << call;
        if (!client.Quit(10000))
            client.Kill();
    }
    ::RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\BriskoPC.exe");
    ::DeleteFileA(viewer.c_str());
    ::DeleteFileA(calls.c_str());
    DeleteClientProfile();
    Uninstall(kCurrentUser);
}

// Through its pages, in Polish, in either mode (the switch only chooses the
// page's answer), and the uninstaller the system's list of programs starts:
// it keeps the user's data when asked to, and removes them when not.
TEST_F(Installer, ThroughItsPagesInEitherModeAndBack) {
    for (const Mode* mode : {&kCurrentUser, &kAllUsers}) {
        SCOPED_TRACE(mode->name);
        auto shoot = [&](HWND w, const char* name) {
            Shoot(w, name + std::string("-") + mode->name);
        };
        const bool keep = mode == &kAllUsers;

        ProcessRunner setupRun("\"" + setup + "\" /" + mode->name);
        HWND wizard = WaitForTopLevel("Instalator programu BriskoPC", 20000);
        ASSERT_NE(wizard, nullptr);
        ASSERT_TRUE(WaitForPage(wizard, "Witamy w kreatorze instalacji BriskoPC"));
        shoot(wizard, "installer-welcome");
        Press(wizard, kNext);
        ASSERT_TRUE(WaitForPage(wizard, "Wybierz użytkowników"));
        shoot(wizard, "installer-mode");
        Press(wizard, kNext);
        ASSERT_TRUE(WaitForPage(wizard, "Wybierz komponenty"));
        shoot(wizard, "installer-components");
        Press(wizard, kNext);
        ASSERT_TRUE(WaitForPage(wizard, "Wybierz lokalizację dla instalacji"));
        HWND folder = ::GetDlgItem(PageOf(wizard), kDirectoryEdit);
        SetControlText(folder, dir);
        shoot(wizard, "installer-folder");
        Press(wizard, kNext);
        ASSERT_TRUE(WaitForPage(wizard, "Kończenie pracy kreatora instalacji BriskoPC"));
        HWND run = ::GetDlgItem(PageOf(wizard), kRunCheckBox);
        EXPECT_EQ(::SendMessageA(run, BM_GETCHECK, 0, 0), BST_CHECKED) << "it offers to start";
        shoot(wizard, "installer-finish");
        ::SendMessageA(run, BM_SETCHECK, BST_UNCHECKED, 0);
        Press(wizard, kNext);
        EXPECT_EQ(setupRun.Wait(20000), 0);
        EXPECT_EQ(RegString(mode->hRoot, kProductKey, "InstallPath"), dir);
        EXPECT_TRUE(Exists(dir + "\\BriskoPC.exe"));
        EXPECT_FALSE(::FindWindowA("BriskoPCClass", nullptr)) << "not started when unchecked";

        const Path contacts = ClientDataFile("+48600100200.cts");
        WriteFile(contacts, "kontakty");
        ProcessRunner uninstallRun(RegString(mode->hRoot, kUninstallKey, "UninstallString"));
        HWND remover = WaitForTopLevel("Odinstalowanie programu BriskoPC", 20000);
        ASSERT_NE(remover, nullptr);
        ASSERT_TRUE(WaitForPage(remover, "Odinstaluj BriskoPC"));
        shoot(remover, "uninstaller-confirm");
        Press(remover, kNext);
        HWND question = WaitForBox("Czy zachować Twoje dane", 20000);
        ASSERT_NE(question, nullptr);
        shoot(question, "uninstaller-keep-data");
        Press(question, keep ? IDYES : IDNO);
        // Where a library the desktop's shell still holds must wait for the
        // next start, the uninstaller says so.
        ASSERT_TRUE(WaitFor(
            [&] {
                if (HWND later = WaitForBox("po ponownym uruchomieniu komputera", 0))
                    Press(later, IDOK);
                return PageTitle(remover).rfind("Zakończono deinstalację", 0) == 0;
            },
            20000));
        Press(remover, kNext);
        EXPECT_TRUE(WaitFor([&] { return OnlySetAsideLeft(); }, 30000));
        EXPECT_FALSE(KeyExists(mode->hRoot, kUninstallKey));
        EXPECT_EQ(Exists(contacts), keep) << (keep ? "kept" : "removed, as the user asked");
        ::DeleteFileW(contacts.c_str());
    }
}

// An update from the service: the installed client learns of a newer version,
// downloads this very setup program and starts it; the setup program waits for
// the client to end, installs over it and starts the new client, which finds
// the user's settings and files, and no SMS goes out twice.
TEST_F(Installer, AnUpdateInstallsOverTheEndingClientAndTheNewOneStarts) {
    ASSERT_NE(SimControl::HttpsPort(), 0) << "no simulator: run through ./brisko test";
    SimControl sim;
    ASSERT_TRUE(sim.StartAfresh());
    ASSERT_TRUE(sim.Installer() == ReadFile(setup)) << "the simulator serves this setup program";
    Install(kCurrentUser);
    const std::string exe = dir + "\\BriskoPC.exe";
    ASSERT_EQ(::RegSetKeyValueA(HKEY_CURRENT_USER, kRunKey, "BriskoPC", REG_SZ, exe.c_str(),
                                static_cast<DWORD>(exe.size() + 1)),
              ERROR_SUCCESS);
    WriteClientProfile(SimControl::HttpsPort(), kLogin, "haslo123");
    // The user's own settings: away after 12 minutes.
    WriteClientProfileValue("CheckAwayTime", "12");

    // Without credits, an SMS waits in the outbox when the client ends.
    ASSERT_TRUE(sim.SetCredits("%2B48600100200", 0));
    ClientProcess old;
    ASSERT_TRUE(old.Open(exe));
    ASSERT_TRUE(WaitFor([&] { return WindowText(old.Main()) == kLogin; }, 15000)) << "logged in";
    ASSERT_TRUE(SendSmsWithoutCredits(old, "600100201", "Po aktualizacji"));
    ASSERT_TRUE(old.Quit(10000));
    const Path outbox = ClientDataFile("+48600100200.obx");
    ASSERT_NE(ReadFile(outbox).find("Po aktualizacji"), std::string::npos);

    // The next login learns of the new version. The outbox is tried again
    // meanwhile and refused again; its box may come over the question.
    ASSERT_TRUE(sim.SetVersion("0.23"));
    ASSERT_TRUE(old.Open(exe));
    auto shown = [&](const char* text) {
        return old.WaitForDialog(
            [text](HWND w) { return DialogText(w).find(text) != std::string::npos; }, 0);
    };
    HWND question = nullptr;
    bool refusedAgain = false;
    ASSERT_TRUE(WaitFor(
        [&] {
            if (HWND box = shown("Brak brisków")) {
                Press(box, IDOK);
                refusedAgain = true;
                return false;
            }
            question = shown("nowa wersja BriskoPC");
            return refusedAgain && question;
        },
        30000));
    Press(question, IDYES);
    HWND save = old.WaitForDialog(
        [](HWND w) { return ::GetDlgItem(w, 1148) || ::GetDlgItem(w, 1152); }, 10000);
    ASSERT_NE(save, nullptr);
    const std::string saved = ScratchPath("briskopc-update-setup.exe");
    ::DeleteFileA(saved.c_str());
    for (int id : {1148, 1152})
        if (HWND box = ::GetDlgItem(save, id); box && ::IsWindowVisible(box))
            SetControlText(box, saved);
    Press(save, IDOK);
    HWND done = old.WaitForDialog(
        [](HWND w) {
            return DialogText(w).find("Nowa wersja została pobrana") != std::string::npos;
        },
        60000);
    ASSERT_NE(done, nullptr);
    // The user's account is topped up while the new version installs.
    ASSERT_TRUE(sim.SetCredits("%2B48600100200", 250));
    Press(done, IDOK);

    // The setup program waits for the old client, then its pages as usual.
    HWND wizard = WaitForTopLevel("Instalator programu BriskoPC", 20000);
    if (!wizard)
        Shoot(::GetDesktopWindow(), "update-unexpected");
    ASSERT_NE(wizard, nullptr);
    EXPECT_EQ(::WaitForSingleObject(old.Process(), 15000), WAIT_OBJECT_0) << "the old client ended";
    for (const char* page : {"Witamy w kreatorze instalacji BriskoPC", "Wybierz użytkowników",
                             "Wybierz komponenty", "Wybierz lokalizację dla instalacji"}) {
        ASSERT_TRUE(WaitForPage(wizard, page)) << page;
        Press(wizard, kNext);
    }
    ASSERT_TRUE(WaitForPage(wizard, "Kończenie pracy kreatora instalacji BriskoPC"));
    EXPECT_EQ(::SendMessageA(::GetDlgItem(PageOf(wizard), kRunCheckBox), BM_GETCHECK, 0, 0),
              BST_CHECKED);
    Press(wizard, kNext);

    // The new client, from the same folder, with the user's settings.
    HWND newMain = nullptr;
    ASSERT_TRUE(WaitFor(
        [&] {
            newMain = ::FindWindowA("BriskoPCClass", nullptr);
            return newMain && WindowText(newMain) == kLogin;
        },
        30000))
        << "the new client started and logged in";
    DWORD pid = 0;
    ::GetWindowThreadProcessId(newMain, &pid);
    HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, pid);
    char image[MAX_PATH] = "";
    DWORD size = sizeof image;
    ::QueryFullProcessImageNameA(process, 0, image, &size);
    EXPECT_EQ(std::string(image), exe);
    // The stored password is sealed anew at each login; the rest is as it was.
    for (auto [entry, value] : {std::pair<const char*, std::string>{"ServiceHost", "localhost"},
                                {"ServicePort", std::to_string(SimControl::HttpsPort())},
                                {"Login", kLogin},
                                {"CheckAwayTime", "12"}}) {
        EXPECT_EQ(ReadClientProfileValue(entry), value) << entry;
    }
    EXPECT_EQ(RegString(HKEY_CURRENT_USER, kRunKey, "BriskoPC"), exe);
    // The outbox came through the update: the new client sends its SMS, once.
    HWND sent = WaitForBox("SMSy ze Skrzynki Nadawczej wysłane", 30000);
    ASSERT_NE(sent, nullptr);
    Press(sent, IDOK);
    int copies = 0;
    for (const std::string& line : sim.Sms())
        copies += line.find("Po aktualizacji") != std::string::npos;
    EXPECT_EQ(copies, 1);

    ::PostMessageA(newMain, WM_COMMAND, ID_EXIT, 0);
    EXPECT_EQ(::WaitForSingleObject(process, 10000), WAIT_OBJECT_0);
    ::CloseHandle(process);
    ::DeleteFileA(saved.c_str());
    ::DeleteFileW(outbox.c_str());
    DeleteClientProfile();
    sim.StartAfresh();
    Uninstall(kCurrentUser);
}

} // namespace
