// The program run with arguments: no window and no display, a QCoreApplication for Qt's
// own classes, the subcommand's exit code.
#include <QCoreApplication>
#include <cstdio>
#include <exception>

#include "app/app_title.h"
#include "app/cli_commands.h"
#include "app/console_view.h"

namespace prenos {

int RunCommandLine(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  SetApplicationTitle(kApplicationTitle);
  try {
    const TCommand command = ParseCommandLine(QCoreApplication::arguments());
    using TKind = TCommand::TKind;
    switch (command.Kind) {
      case TKind::Help:
        std::fputs(command.HelpText.toStdString().c_str(), stdout);
        return kExitDone;
      case TKind::Version: std::puts(VersionText().toStdString().c_str()); return kExitDone;
      case TKind::Book: return BookCommand(command.Book);
      case TKind::History: return HistoryCommand(command.Json);
      case TKind::Undo: return UndoCommand(command.Run, command.Yes);
      case TKind::Errors: return ErrorsCommand(command.HasRun, command.Run, command.Json);
    }
  } catch (const EUsage& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return kExitUsage;
  } catch (const std::exception& e) {
    PrintErr(e.what());
  }
  return kExitFailed;
}

}  // namespace prenos
