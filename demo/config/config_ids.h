// Resource ids of the configuration program's dialog (config.rc).
#pragma once

#define IDD_CONFIG 100
#define IDC_RESOLUTION 1001
#define IDC_DETAIL 1002
#define IDC_SOUND 1003
#define IDC_MUSIC 1004
