// The program's entry point: the one application object does the rest.
#include "HandleCounts.h"
#include "WinApp.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    fw::CountThreadWindows();
    CWinApp* app = AfxGetApp();
    if (!app || !app->InitInstance())
        return app ? app->ExitInstance() : 1;
    return app->Run();
}
