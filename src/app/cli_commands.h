// The subcommands of the program's command line; each returns the exit code.
#pragma once

#include "app/command_line.h"

namespace prenos {

// The program with arguments: parses them and runs the subcommand, without a window
// (a QCoreApplication is made here). Wrong use is reported on standard error with 2.
int RunCommandLine(int argc, char** argv);

int BookCommand(const TBookArgs& args);
int HistoryCommand(bool json);
int UndoCommand(int64_t run, bool yes);
int ErrorsCommand(bool hasRun, int64_t run, bool json);

}  // namespace prenos
