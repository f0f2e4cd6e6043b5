// A stand-in for the installer in the update's end-to-end test: started by
// the client, it leaves a note beside itself and ends.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char path[MAX_PATH];
    ::GetModuleFileNameA(nullptr, path, sizeof path);
    lstrcatA(path, ".ran");
    HANDLE note = ::CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (note == INVALID_HANDLE_VALUE)
        return 1;
    ::CloseHandle(note);
    return 0;
}
