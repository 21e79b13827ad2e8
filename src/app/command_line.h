// The program's command line: what each subcommand was asked to do, read with
// QCommandLineParser, and the texts of --help and --version. Without arguments the
// program opens its window instead.
#pragma once

#include <QStringList>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

namespace prenos {

// Exit codes of the command line.
enum TExitCode : int { kExitDone = 0, kExitFailed = 1, kExitUsage = 2, kExitRefused = 3 };

// Wrong use: an unknown subcommand or option, a missing or bad value (UTF-8 message).
class EUsage : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TBookArgs {
  QString File;  // as given
  QString Event, Clerk, Journal;
  std::string DateText;  // the date in the user's short-date form (Windows-1250)
  bool DryRun = false, Yes = false, Json = false;
};

struct TCommand {
  enum class TKind { Help, Version, Book, History, Undo, Errors };
  TKind Kind = TKind::Help;
  QString HelpText;  // Help: the text asked for
  TBookArgs Book;
  int64_t Run = 0;  // Undo; Errors with --run
  bool HasRun = false;
  bool Yes = false, Json = false;
};

// Reads the arguments (the program's name first). Raises EUsage on wrong use.
TCommand ParseCommandLine(const QStringList& arguments);

// The date of --date: the user's short-date form or YYYY-MM-DD, as the short-date text
// the run reads. Raises EUsage for anything else or a date that does not exist.
std::string DateArgument(const QString& value);

// The texts of --help: the whole program, and each subcommand.
QString ProgramHelp();
QString SubcommandHelp(const QString& name);
QString VersionText();

}  // namespace prenos
