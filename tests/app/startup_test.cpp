// Start-up against a real ledger: the login stored by prenos-login is read while the main
// window is created, handed to the data module without connecting, and reaches the
// ledger with it; a wrong stored password fails with the driver's error; the GUI's
// hooks show the execution error box and name the active window in the error log.
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <cstdio>
#include <memory>
#include <string>

#include "app/datasif.h"
#include "app/date_edit.h"
#include "app/gui_hooks.h"
#include "app/main_window.h"
#include "ledger/ledger_fixture.h"
#include "localtables/errorlog.h"
#include "odbc/odbcerror.h"
#include "platform/codepage.h"
#include "platform/exceptions.h"
#include "platform/prefix.h"
#include "settings/credentials.h"
#include "settings/regfile.h"
#include "sqlsupport/batch.h"
#include "support/error_records.h"
#include "support/gui_support.h"
#include "support/login_tool.h"

using namespace prenos;
using prenos::testing::CloseMessageBoxes;
using prenos::testing::ErrorRecords;
using prenos::testing::Field;
using prenos::testing::StoreLogin;
using prenos::testing::TestLedger;

namespace {

// The first column of the first row of a query, read through a statement of the module.
std::string ReadScalar(THstmt& statement, const std::string& sql) {
  statement.Close();
  statement.SetSQL(sql);
  statement.Execute();
  const std::string value = statement.FetchNext() ? statement.ColString(1) : "(no row)";
  statement.Close();
  return value;
}

}  // namespace

class StartupTest : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    ledger = std::make_unique<TestLedger>();
    SQLUserName = "ostanek";  // what an earlier start-up would have left
    SQLPassword = "ostanek";
  }
  void cleanup() {
    SetErrorBoxHook({});
    SetActiveNamesHook({});
    ledger.reset();
  }

  void storedLoginIsReadAtStartAndReachesTheLedger() {
    QVERIFY(StoreLogin("sa", ledger->Password()));
    TMain main;  // FormCreate reads the login
    QCOMPARE(SQLUserName, std::string("sa"));
    QCOMPARE(SQLPassword, ledger->Password());
    TDataSif dm;
    main.BindDataModule(dm);  // as the program does
    QCOMPARE(dm.Database.UserName(), std::string("sa"));
    QCOMPARE(dm.Database.Password(), ledger->Password());
    QVERIFY(!dm.Database.Connected());

    ledger->LoadSample();
    const std::string count = ReadScalar(dm.qQueryFind, "SELECT count(*) FROM PoslDog");
    QVERIFY(dm.Database.Connected());
    QCOMPARE(count, ledger->Scalar("SELECT count(*) FROM PoslDog"));
    QVERIFY(count != "0");
    QVERIFY(ErrorRecords().empty());
  }

  void aWrongStoredPasswordFailsToConnectWithTheDriversError() {
    if (!ledger->IsPostgres()) QSKIP("the SQLite driver takes any password");
    QVERIFY(StoreLogin("sa", "napacno-geslo"));
    TMain main;
    QCOMPARE(SQLPassword, std::string("napacno-geslo"));
    TDataSif dm;
    QVERIFY2(!dm.Database.Connected(), "start-up itself does not connect");
    bool raised = false;
    try {
      dm.Database.Connect();
    } catch (const EODBC& e) {
      raised = true;
      QCOMPARE(e.Owner(), static_cast<THbase*>(&dm.Database));
      QVERIFY2(std::string(e.what()).find("password authentication failed") != std::string::npos,
               e.what());
    }
    QVERIFY(raised);
    QVERIFY(!dm.Database.Connected());
  }

  void anUnreadableStoredLoginStillOpensTheWindow() {
    // A password that is not hexadecimal: the user name as read, the password empty.
    TRegFile file = TRegFile::Load(PrefixDir() / "system.reg");
    file.SetString(std::string("HKEY_LOCAL_MACHINE\\") + kLoginKey, "UserName", "knjigovodja");
    file.SetString(std::string("HKEY_LOCAL_MACHINE\\") + kLoginKey, "Password", "QQ12");
    file.Save();
    TMain main;
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    TDataSif dm;
    QCOMPARE(dm.Database.UserName(), std::string("knjigovodja"));
    QCOMPARE(dm.Database.Password(), std::string());
    QVERIFY(!dm.Database.Connected());
    const auto records = ErrorRecords();
    QCOMPARE(records.size(), size_t(1));
    QCOMPARE(Field(records[0], "Operation"), std::string("GetUserNameAndPassword"));
  }

  void theErrorBoxOfAFailedExecutionIsShownBeforeTheRecord() {
    QVERIFY(StoreLogin("sa", ledger->Password()));
    InstallGuiHooks();
    TMain main;
    TDataSif dm;
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));

    const std::string failing = "SELECT MAX(NiStolpca) AS MaxValue FROM Teme";
    std::string message;
    try {
      ReadScalar(dm.qQuery2, failing);
    } catch (const EODBC& e) {
      message = e.what();
    }
    QVERIFY(!message.empty());

    size_t recordsWhileShown = 99;
    auto seen = prenos::testing::AnswerModals([&](QWidget* w) {
      recordsWhileShown = ErrorRecords().size();
      if (auto* box = qobject_cast<QMessageBox*>(w)) {
        QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
        box->button(QMessageBox::Ok)->click();
      }
    });
    dm.qQueryFind.SetSQL(failing);
    bool aborted = false;
    try {
      HstmtExecute(dm.qQueryFind, true);
    } catch (const EAbort& e) {
      aborted = IsExactlyEAbort(e);
    }
    QVERIFY(aborted);
    QCOMPARE(seen->count, 1);
    QCOMPARE(seen->className, QString("QMessageBox"));
    QCOMPARE(seen->title, QString("Error"));
    QCOMPARE(seen->icon, QMessageBox::Critical);
    QCOMPARE(seen->text, QString::fromStdString(Cp1250ToUtf8(
                             "Napaka pri odpiranju datoteke: qQueryFind !\r\n" + message)));
    QCOMPARE(recordsWhileShown, size_t(0));
    const auto records = ErrorRecords();
    QCOMPARE(records.size(), size_t(1));
    QCOMPARE(Field(records[0], "Operation"), std::string("HstmtExecute-qQueryFind"));
  }

  void theErrorLogNamesTheActiveWindowAndItsFocusedControl() {
    InstallGuiHooks();
    TMain main;
    main.show();
    main.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    main.fDatum->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(main.fDatum));
    LogError(nullptr, &Application(), "Preskus");
    main.bKonec->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(main.bKonec));
    LogError(nullptr, &Application(), "Preskus");
    const auto records = ErrorRecords();
    QCOMPARE(records.size(), size_t(2));
    QCOMPARE(Field(records[0], "FormName"), std::string("Main"));
    QCOMPARE(Field(records[0], "ControlName"), std::string("fDatum"));
    QCOMPARE(Field(records[1], "ControlName"), std::string("bKonec"));
  }

 private:
  std::unique_ptr<TestLedger> ledger;
};

QTEST_MAIN(StartupTest)
#include "startup_test.moc"
