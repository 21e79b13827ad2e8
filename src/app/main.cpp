// The program: without arguments it sets the title, loads Qt's Slovenian texts, creates the
// main window and the data module, and runs until the main window is closed; with arguments it runs
// the command line instead, without a window.
#include "app/app_title.h"
#include "app/cli_commands.h"
#include "app/datasif.h"
#include "app/exception_handler.h"
#include "app/gui_hooks.h"
#include "app/main_window.h"
#include "app/qt_translations.h"

int main(int argc, char* argv[]) {
  if (argc > 1) return prenos::RunCommandLine(argc, argv);
  prenos::TGuardedApplication app(argc, argv);
  prenos::SetApplicationTitle(prenos::kApplicationTitle);
  // The standard dialogs in Slovenian; without the catalogue they stay in English.
  prenos::InstallQtTranslations(app);
  prenos::InstallGuiHooks();
  try {
    prenos::TMain main;  // its FormCreate runs here
    // The data module (the ledger connection and the statements) is created here, after
    // the window and before it is shown; it does not connect.
    prenos::TDataSif dataSif;
    main.BindDataModule(dataSif);
    main.show();
    return app.exec();
  } catch (...) {
    prenos::HandleCurrentException();
    return 1;
  }
}
