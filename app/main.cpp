// The one application object of BriskoPC.exe.
#include "BriskoPCApp.h"

CBriskoPCApp theApp;
