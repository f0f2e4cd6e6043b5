// The program's entry point: the one application object does the rest.
#include "WinApp.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    CWinApp* app = AfxGetApp();
    if (!app || !app->InitInstance())
        return app ? app->ExitInstance() : 1;
    return app->Run();
}
