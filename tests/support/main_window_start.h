// The main window and the data module as the program makes them on a test ledger: the
// login stored with prenos-login, the module bound to the window, the window shown. The
// suite ends them in the program's order, the data module first.
#pragma once

#include <memory>

#include "app/datasif.h"
#include "app/main_window.h"
#include "ledger/ledger_fixture.h"
#include "support/login_tool.h"

namespace prenos::testing {

// False (and nothing made) when the login could not be stored.
inline bool StartMainWindow(const TestLedger& ledger, std::unique_ptr<TMain>& main,
                            std::unique_ptr<TDataSif>& module) {
  if (!StoreLogin("sa", ledger.Password())) return false;
  main = std::make_unique<TMain>();
  module = std::make_unique<TDataSif>();
  main->BindDataModule(*module);
  main->show();
  return true;
}

}  // namespace prenos::testing
