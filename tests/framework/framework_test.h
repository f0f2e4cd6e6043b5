#pragma once

#define IDD_TEST 900
#define IDC_NAME 1001
#define IDC_REMEMBER 1002
#define ID_TEST_COMMAND 32900
#define ID_APP_COMMAND 32901
