// How a command of exar meets its command line. Every command is described
// by its name, its usage text, which arguments it accepts and what it runs;
// RunCommand does for all of them what each would otherwise repeat: --help
// or -h anywhere prints the usage to stdout (exit 0); for a command that
// takes --jobs N the option is taken out of the arguments wherever it stands
// (a bad N is named on stderr, exit 2); arguments the command does not accept
// print its usage to stderr (exit 2); and only then the command runs.
#pragma once

// Exit codes of every command.
enum ExitCode { ExitSuccess = 0, ExitFailure = 1, ExitUsage = 2 };

struct ExarCommand {
  const char* name;   // as typed after "exar"
  const char* usage;  // the whole help text, beginning "usage: exar ..."
  bool takesJobs;     // accepts --jobs N (jobs_option.h)
  // True when the arguments after the command's name, --jobs N taken out, fit it.
  bool (*accepts)(int argc, char** argv);
  // Runs the command on accepted arguments with the threads it may use (--jobs N,
  // by default one per processor; 1 for a command without the option); returns
  // the exit code.
  int (*run)(int argc, char** argv, unsigned jobs);
};

int RunCommand(const ExarCommand& command, int argc, char** argv);

// Acceptors for commands that take a fixed number of arguments.
bool TakesOneArgument(int argc, char** argv);
bool TakesTwoArguments(int argc, char** argv);
