// A stand-in for the progress page: a modeless dialog of the given module
// with the three controls the install sequence drives (1016, 1018, 1027),
// each of which records what it is told, in order: "bar N" for PBM_SETPOS,
// "text <id> <text>" for WM_SETTEXT. PBM_GETPOS answers the last position set. Lines also go to a log file when one is
// set (each written and flushed at once, so a process that ends mid-way
// leaves everything shown so far).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

HWND CreateRecorderPage(HINSTANCE module);
void SetRecorderLog(const char* path);
const std::vector<std::string>& RecordedLines();
void ClearRecordedLines();
