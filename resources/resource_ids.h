// Numeric ids of the setup program's resources and of the page controls that
// the code addresses. Shared by the resource script and the C++ code, so it
// holds only preprocessor definitions (windres reads it too).
#pragma once

// Dialog templates, one per page.
#define IDD_WELCOME 112
#define IDD_INSTALLED 117
#define IDD_DESTINATION 118
#define IDD_GROUP 119
#define IDD_PROGRESS 120
#define IDD_FINISH 123

// Page bitmaps (loaded by the pages into the picture slot).
#define IDB_WELCOME 126
#define IDB_GROUP 127
#define IDB_FINISH 128
#define IDB_PROGRESS 129
#define IDB_DESTINATION 130
#define IDB_INSTALLED 131

// Icon group of the backdrop window's class.
#define IDI_SETUP 102

// Welcome page.
#define IDC_INSTALL_NOW 1000
#define IDC_DONT_INSTALL 1001
// Destination page.
#define IDC_DEST_EDIT 1002
#define IDC_BROWSE 1003
#define IDC_SPACE_FREE 1006
#define IDC_SPACE_NEEDED 1007
// Already-installed page (1007 is reused there for its first button).
#define IDC_START_NOW 1007
#define IDC_DONT_START 1008
// Picture slot of every page.
#define IDC_PICTURE 1009
// Program-group page.
#define IDC_GROUP_EDIT 1010
#define IDC_GROUP_LIST 1015
#define IDC_DESKTOP_CHECK 1021
// Buttons shared by the destination and program-group pages.
#define IDC_BACK 1012
#define IDC_CANCEL_PAGE 1014
#define IDC_NEXT 1017
// Progress page.
#define IDC_PROGRESS_BAR 1016
#define IDC_PERCENT_TEXT 1018
#define IDC_STATUS_TEXT 1027
// Finish page.
#define IDC_PLAY_NOW 1019
#define IDC_DONT_PLAY 1020
