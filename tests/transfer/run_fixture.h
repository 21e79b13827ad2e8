// Whole transfer runs without a window: a view that answers the run as a user would,
// the real data module on a fresh test ledger, and the statements the run executes.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/datasif.h"
#include "ledger/ledger_fixture.h"
#include "platform/convert.h"
#include "posting_line.h"
#include "settings/credentials.h"
#include "sqlsupport/batch.h"
#include "transfer/import.h"
#include "transfer/run.h"
#include "transfer/run_view.h"

namespace prenos::testing {

// The window's side of a run: the texts and the tab the user chose, the dialog's answer,
// and everything the run showed, in order.
class HeadlessView : public TRunView {
 public:
  std::string poslDog = "KA";
  std::string referent = "07";
  std::string temeljnica;
  std::string datum = "15.03.2002";
  bool attach = false;
  bool chooseFile = true;  // false: the dialog is cancelled
  std::string fileName = kAsciiDefaultFile;

  std::vector<int> progress;
  std::vector<std::pair<std::string, std::string>> information;
  std::vector<std::string> errors;
  std::vector<bool> cursorChanges;
  bool waitCursor = false;
  std::function<void(bool wait)> onWaitCursor;  // runs after each change of the cursor
  int dialogs = 0;
  int imports = 0;
  TImportTables tables;

  std::string PoslDogText() const override { return poslDog; }
  std::string ReferentText() const override { return referent; }
  std::string TemeljnicaText() const override { return temeljnica; }
  std::string DatumText() const override { return datum; }
  bool AttachToExistingJournal() const override { return attach; }
  bool AskForFile() override {
    ++dialogs;
    return chooseFile;
  }
  std::string FileName() const override { return fileName; }
  void SetProgress(int position) override { progress.push_back(position); }
  void SetWaitCursor(bool wait) override {
    waitCursor = wait;
    cursorChanges.push_back(wait);
    if (onWaitCursor) onWaitCursor(wait);
  }
  void ShowInformation(const std::string& title, const std::string& text) override {
    information.emplace_back(title, text);
  }
  void ShowError(const std::string& text) override { errors.push_back(text); }
  void FillPrenos() override {
    ++imports;
    prenos::FillPrenos(tables.tbPrenos, tables.TAscii, fileName);
  }
  TTable& StagingTable() override { return tables.tbPrenos; }
};

// One executed statement: the statement's name and its SQL text at execution.
struct Executed {
  std::string statement;
  std::string sql;
  bool operator==(const Executed&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Executed& e) {
  return out << e.statement << ": " << e.sql;
}

// A fresh ledger, the data module on it with the ledger's login stored, a headless view,
// and the log of every statement the three run statements execute.
class TransferTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetFormatSettings(FormatSettings{});
    SQLUserName = ledger.UserName();
    SQLPassword = ledger.Password();
    module.DataSifCreate();  // as at start-up, once the login has been read
    SQLBatch.clear();
    for (THstmt* s : {&module.UpdateHstmt, &module.qQueryFind, &module.qQuery0})
      s->BeforeExecute = [this](TComponent* sender) {
        auto* st = static_cast<THstmt*>(sender);
        executed.push_back({st->Name(), st->SQL()});
        if (beforeExecute) beforeExecute(*st);
      };
  }

  TLedger Ledger() {
    return {module.Database, module.UpdateHstmt, module.qQueryFind, module.qQuery0};
  }

  void Run() { RunTransfer(view, Ledger()); }

  // Writes the lines (CR LF ends) as c:\temp\<name> and makes it the dialog's file.
  void Input(const std::vector<std::string>& lines, const std::string& name = "knjizbe.txt") {
    const std::filesystem::path dir = ledger.Prefix() / "drive_c" / "temp";
    std::filesystem::create_directories(dir);
    std::ofstream out(dir / name, std::ios::binary);
    for (const std::string& l : lines) out << l << "\r\n";
    view.fileName = "c:\\temp\\" + name;
  }

  // The texts UpdateHstmt executed, in order.
  std::vector<std::string> Sent() const {
    std::vector<std::string> out;
    for (const Executed& e : executed)
      if (e.statement == "UpdateHstmt") out.push_back(e.sql);
    return out;
  }

  // The number of rows of a query's result, and the query's single value.
  int Count(const std::string& table, const std::string& where = "") const {
    return std::stoi(
        ledger.Scalar("SELECT COUNT(*) FROM " + table + (where.empty() ? "" : " WHERE " + where)));
  }

  // How the ledger gives back a date-time the program wrote as 'yyyy/mm/dd hh:nn:ss':
  // SQLite keeps the literal's text, PostgreSQL a timestamp.
  std::string Stored(const std::string& literal) const {
    if (!ledger.IsPostgres()) return literal;
    std::string s = literal;
    s[4] = s[7] = '-';
    return s;
  }

  TestLedger ledger;
  TDataSif module;
  HeadlessView view;
  std::vector<Executed> executed;
  std::function<void(THstmt&)> beforeExecute;
};

}  // namespace prenos::testing
