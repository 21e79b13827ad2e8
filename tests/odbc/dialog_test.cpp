// The ODBC error dialog offscreen: captions, layout heights, Details and Prev / Next.
#include <QApplication>
#include <QTimer>
#include <QtTest>

#include "odbc/dialog/errordialog.h"
#include "odbc/henv.h"
#include "platform/codepage.h"
#include "platform/component.h"

using namespace prenos;

class DialogTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { Application().Title = Utf8ToCp1250("Stelvar Prenos knjižb"); }

  void OneRecordGreysPrevAndThenNext() {
    EODBC error(nullptr, {{"08S01", 10054, "Communication link failure"}}, SQL_ERROR);
    TOEErrorDialog dialog;
    QCOMPARE(dialog.windowTitle(), QString("Error"));
    dialog.ErrorText = "Cannot connect Database to database.";
    dialog.ErrorObject = &error;
    dialog.show();
    QCOMPARE(dialog.windowTitle(), QString::fromUtf8("Database Error: Stelvar Prenos knjižb"));
    QCOMPARE(dialog.Label1.text(), QString("Cannot connect Database to database."));
    QCOMPARE(dialog.height(), 86);
    QCOMPARE(dialog.width(), 291);
    QCOMPARE(dialog.Button2.text(), QString("Details >>"));
    QVERIFY(!dialog.Button3.isEnabled());
    QVERIFY(dialog.Button4.isEnabled());
    QCOMPARE(dialog.Memo1.toPlainText(), QString("Communication link failure"));
    QCOMPARE(dialog.Edit1.text(), QString("08S01"));
    QCOMPARE(dialog.Edit2.text(), QString("10054"));
    QTest::mouseClick(&dialog.Button4, Qt::LeftButton);
    QVERIFY(!dialog.Button4.isEnabled());
    QVERIFY(dialog.Button3.isEnabled());
    QCOMPARE(dialog.Memo1.toPlainText(), QString("Communication link failure"));
    QCOMPARE(error.ErrorIndex(), 0);

    QTest::mouseClick(&dialog.Button2, Qt::LeftButton);
    QVERIFY(dialog.DetailsShown);
    QCOMPARE(dialog.height(), 245);
    QCOMPARE(dialog.Button2.text(), QString("Details <<"));
    QTest::mouseClick(&dialog.Button2, Qt::LeftButton);
    QVERIFY(!dialog.DetailsShown);
    QCOMPARE(dialog.height(), 86);
    QTest::mouseClick(&dialog.Button1, Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(!dialog.isVisible());
  }

  void ThreeRecordsPageBothWays() {
    EODBC error(
        nullptr,
        {{"42000", 1, "first"}, {"01000", 2, "second"}, {"HY000", 3, Utf8ToCp1250("tretji čšž")}},
        SQL_ERROR);
    error.Next();  // the dialog starts on the first record whatever the position
    TOEErrorDialog dialog;
    dialog.ErrorObject = &error;
    dialog.show();
    QCOMPARE(dialog.Memo1.toPlainText(), QString("first"));
    QTest::mouseClick(&dialog.Button4, Qt::LeftButton);
    QCOMPARE(dialog.Memo1.toPlainText(), QString("second"));
    QVERIFY(dialog.Button3.isEnabled());
    QTest::mouseClick(&dialog.Button4, Qt::LeftButton);
    QCOMPARE(dialog.Memo1.toPlainText(), QString::fromUtf8("tretji čšž"));
    QCOMPARE(dialog.Edit1.text(), QString("HY000"));
    QCOMPARE(dialog.Edit2.text(), QString("3"));
    QVERIFY(dialog.Button4.isEnabled());
    QTest::mouseClick(&dialog.Button4, Qt::LeftButton);
    QVERIFY(!dialog.Button4.isEnabled());
    QCOMPARE(error.ErrorIndex(), 2);
    QTest::mouseClick(&dialog.Button3, Qt::LeftButton);
    QCOMPARE(dialog.Memo1.toPlainText(), QString("second"));
    QVERIFY(dialog.Button4.isEnabled());
    QTest::mouseClick(&dialog.Button3, Qt::LeftButton);
    QCOMPARE(dialog.Memo1.toPlainText(), QString("first"));
    QTest::mouseClick(&dialog.Button3, Qt::LeftButton);
    QVERIFY(!dialog.Button3.isEnabled());
    QCOMPARE(dialog.Memo1.toPlainText(), QString("first"));
    QCOMPARE(error.ErrorIndex(), 0);
  }

  void LayoutOfTheControls() {
    TOEErrorDialog dialog;
    QCOMPARE(dialog.Label1.geometry(), QRect(56, 12, 225, 41));
    QCOMPARE(dialog.Bevel1.geometry(), QRect(4, 88, 281, 2));
    QCOMPARE(dialog.Button4.geometry(), QRect(212, 216, 75, 25));
    QCOMPARE(dialog.Label2.text(), QString("ODBC Error"));
    QCOMPARE(dialog.Label3.text(), QString("Database Error"));
    QCOMPARE(dialog.Button3.text(), QString("Prev"));
    QVERIFY(dialog.Button1.isDefault());
    QVERIFY(dialog.Memo1.isReadOnly() && dialog.Edit1.isReadOnly() && dialog.Edit2.isReadOnly());
    QVERIFY(dialog.Label1.wordWrap());
    QCOMPARE(dialog.Label2.alignment() & Qt::AlignRight, Qt::AlignRight);
    QVERIFY(!dialog.Image1.pixmap().isNull());
    QCOMPARE(dialog.findChild<QPushButton*>("Button2"), &dialog.Button2);
    QCOMPARE(dialog.Button1.nextInFocusChain(), static_cast<QWidget*>(&dialog.Button2));
  }

  void ShowDialogRunsTheInstalledDialogModally() {
    EODBC error(nullptr, {{"IM002", 0, "Data source name not found"}}, SQL_ERROR);
    error.ShowDialog("nothing installed");  // returns at once
    InstallErrorDialog();
    QString seen;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<TOEErrorDialog*>(QApplication::activeModalWidget());
      QVERIFY(dialog);
      seen = dialog->Label1.text() + "|" + dialog->Edit1.text();
      dialog->Button1.click();
    });
    error.ShowDialog("Cannot connect Broken to database.");
    QCOMPARE(seen, QString("Cannot connect Broken to database.|IM002"));
    GlobalEnv().Error.ErrorDialog = nullptr;
  }
};

QTEST_MAIN(DialogTest)
#include "dialog_test.moc"
