// The program's command line: started with arguments, the program works without a window.
#pragma once

namespace prenos {

// Exit codes of the command line.
inline constexpr int kExitDone = 0;
inline constexpr int kExitWrongUse = 2;

// True when the program was started with arguments: the command line runs, not the window.
bool HasCommandLine(int argc, char* argv[]);

// Runs the command line (`--help`, `--version`) without a display and answers the exit
// code: 0 done, 2 wrong use (with a message on standard error).
int RunCommandLine(int argc, char* argv[]);

}  // namespace prenos
