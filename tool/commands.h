// The commands of exar. Each takes the arguments after its own name (run
// through RunCommand, command_line.h) and returns the process exit code: 0
// success, 1 damaged input or a failed operation, 2 wrong usage. Messages go
// to stderr, results to stdout.
#pragma once

#include "tool/command_line.h"

extern const ExarCommand PackCommand;
extern const ExarCommand ListCommand;
extern const ExarCommand VerifyCommand;
extern const ExarCommand ExtractCommand;
extern const ExarCommand LzhCommand;
