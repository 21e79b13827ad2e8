// The main window as the user meets it: its controls, captions, layout, tab order,
// the first tab at start, accelerators, the progress bar, the dialog and "Konec".
#include "app/main_window.h"

#include <QFileDialog>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "app/app_title.h"
#include "app/date_edit.h"
#include "controls/lookup_combo.h"
#include "platform/codepage.h"
#include "platform/component.h"
#include "platform/prefix.h"
#include "support/gui_support.h"

using namespace prenos;
using prenos::testing::AnswerModals;

namespace {

struct Designed {
  const char* name;
  const char* parent;
  QRect rect;
};

// Left, top, width, height relative to the parent, as designed.
const Designed kLayout[] = {
    {"fKreiranjeTemeljnice", "ClientArea", {8, 8, 321, 105}},
    {"Label1", "fNovaTemeljnica", {8, 10, 88, 13}},
    {"fPoslDog", "fNovaTemeljnica", {104, 5, 89, 21}},
    {"Label3", "fNovaTemeljnica", {63, 36, 34, 13}},
    {"fDatum", "fNovaTemeljnica", {104, 28, 57, 21}},
    {"Label2", "fNovaTemeljnica", {53, 59, 44, 13}},
    {"fReferent", "fNovaTemeljnica", {104, 51, 89, 21}},
    {"Label10", "fStaraTemeljnica", {43, 30, 54, 13}},
    {"fTemeljnica", "fStaraTemeljnica", {104, 24, 89, 21}},
    {"ProgressBar", "ClientArea", {8, 128, 321, 16}},
    {"bPrenos", "ClientArea", {40, 160, 75, 25}},
    {"bKonec", "ClientArea", {200, 160, 75, 25}},
};

// Shows a window, runs the program's event loop and closes the window from it by
// `closeIt`; true when the loop ended because the window closed (not by the time limit).
bool RunsUntilClosed(const std::function<void(TMain&)>& closeIt) {
  TMain main;
  main.show();
  bool timedOut = false;
  QTimer::singleShot(0, &main, [&] { closeIt(main); });
  QTimer limit;
  limit.setSingleShot(true);
  QObject::connect(&limit, &QTimer::timeout, [&] {
    timedOut = true;
    QCoreApplication::quit();
  });
  limit.start(10000);
  QApplication::exec();
  return !timedOut && !main.isVisible();
}

QWidget* Named(QWidget& main, const char* name) {
  return main.objectName() == name ? &main : main.findChild<QWidget*>(name);
}

}  // namespace

class MainWindowTest : public testing::PrefixedTest {
  Q_OBJECT

 private slots:
  void initTestCase() { SetApplicationTitle(kApplicationTitle); }

  void ApplicationTitle() {
    QCOMPARE(Application().Title, std::string("Stelvar Prenos knji\x9E"
                                              "b"));
    QCOMPARE(QCoreApplication::applicationName(), QString::fromUtf8("Stelvar Prenos knjižb"));
    QCOMPARE(QCoreApplication::applicationName().at(19), QChar(0x017E));  // ž
  }

  void ControlsWithTheirNamesAndKinds() {
    TMain main;
    QCOMPARE(main.objectName(), QString("Main"));
    QCOMPARE(main.Name(), std::string("Main"));
    QCOMPARE(qobject_cast<QTabWidget*>(Named(main, "fKreiranjeTemeljnice")),
             main.fKreiranjeTemeljnice);
    QCOMPARE(Named(main, "fNovaTemeljnica"), main.fNovaTemeljnica);
    QCOMPARE(Named(main, "fStaraTemeljnica"), main.fStaraTemeljnica);
    QCOMPARE(qobject_cast<TwwDBLookupCombo*>(Named(main, "fPoslDog")), main.fPoslDog);
    QCOMPARE(qobject_cast<TwwDBLookupCombo*>(Named(main, "fReferent")), main.fReferent);
    QCOMPARE(qobject_cast<TwwDBLookupCombo*>(Named(main, "fTemeljnica")), main.fTemeljnica);
    QCOMPARE(qobject_cast<TDateEdit*>(Named(main, "fDatum")), main.fDatum);
    QCOMPARE(qobject_cast<QProgressBar*>(Named(main, "ProgressBar")), main.ProgressBar);
    QCOMPARE(qobject_cast<QPushButton*>(Named(main, "bPrenos")), main.bPrenos);
    QCOMPARE(qobject_cast<QPushButton*>(Named(main, "bKonec")), main.bKonec);
    for (const char* label : {"Label1", "Label2", "Label3", "Label10"})
      QVERIFY2(qobject_cast<QLabel*>(Named(main, label)), label);

    // The window owns its local tables as components.
    QCOMPARE(main.FindComponent("tbPrenos"), static_cast<TComponent*>(&main.tbPrenos));
    QCOMPARE(main.FindComponent("TAscii"), static_cast<TComponent*>(&main.TAscii));
    QCOMPARE(main.tbPrenos.DatabaseName(), std::string("TorvikTemp"));
    QCOMPARE(main.tbPrenos.TableName(), std::string("Prenos"));
    QCOMPARE(main.Owner(), static_cast<TComponent*>(&Application()));
  }

  void Captions() {
    TMain main;
    QCOMPARE(main.windowTitle(), QString::fromUtf8("Prenos knjižb"));
    QCOMPARE(main.windowTitle().at(11), QChar(0x017E));  // ž
    QCOMPARE(main.fKreiranjeTemeljnice->count(), 2);
    QCOMPARE(main.fKreiranjeTemeljnice->widget(0), main.fNovaTemeljnica);
    QCOMPARE(main.fKreiranjeTemeljnice->widget(1), main.fStaraTemeljnica);
    QCOMPARE(main.fKreiranjeTemeljnice->tabText(0), QString("Kreiranje temeljn."));
    const QString attach = main.fKreiranjeTemeljnice->tabText(1);
    QCOMPARE(attach, QString::fromUtf8("Priključi na obstoječo"));
    QCOMPARE(attach.count(QChar(0x010D)), 2);  // č, twice
    QCOMPARE(main.Label1->text(), QString("&Poslovni dogodek:"));
    QCOMPARE(main.Label3->text(), QString("Datum:"));
    QCOMPARE(main.Label2->text(), QString("Referent:"));
    QCOMPARE(main.Label10->text(), QString("Temeljnica:"));
    QCOMPARE(main.bPrenos->text(), QString("Prenos"));
    QCOMPARE(main.bKonec->text(), QString("Konec"));
    for (QLabel* l : {main.Label1, main.Label2, main.Label3, main.Label10})
      QVERIFY(l->alignment() & Qt::AlignRight);
  }

  void DesignedLayout() {
    TMain main;
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    // The designed size is the client area's; the menu bar sits above it.
    QCOMPARE(main.ClientArea->size(), QSize(345, 221));
    QCOMPARE(main.ClientArea->pos(), QPoint(0, main.MenuBar->height()));
    QVERIFY(main.MenuBar->height() > 0);
    QCOMPARE(main.size(), QSize(345, 221 + main.MenuBar->height()));
    QCOMPARE(main.pos(), QPoint(200, 108));
    QCOMPARE(main.minimumSize(), main.maximumSize());
    for (const Designed& d : kLayout) {
      QWidget* w = Named(main, d.name);
      QVERIFY2(w, d.name);
      QCOMPARE(w->parentWidget(), Named(main, d.parent));
      QLabel* label = qobject_cast<QLabel*>(w);
      if (label && label->sizeHint().width() > d.rect.width()) {
        // A font wider than designed: the caption grows to the left of its right edge.
        QCOMPARE(w->geometry().right(), d.rect.right());
        QCOMPARE(w->geometry().top(), d.rect.top());
        QCOMPARE(w->height(), d.rect.height());
      } else {
        QCOMPARE(w->geometry(), d.rect);
      }
    }
  }

  void FirstTabAtStartAndTabSwitch() {
    TMain main;
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    QCOMPARE(main.fKreiranjeTemeljnice->currentWidget(), main.fNovaTemeljnica);
    QVERIFY(main.fPoslDog->isVisible());
    QVERIFY(!main.fTemeljnica->isVisible());
    QVERIFY(!main.AttachToExistingJournal());
    main.fKreiranjeTemeljnice->setCurrentIndex(1);
    QVERIFY(main.AttachToExistingJournal());
    QVERIFY(main.fTemeljnica->isVisible());
    main.fKreiranjeTemeljnice->setCurrentIndex(0);
    QVERIFY(!main.AttachToExistingJournal());
  }

  void StartsEmpty() {
    TMain main;
    QCOMPARE(main.PoslDogText(), std::string());
    QCOMPARE(main.ReferentText(), std::string());
    QCOMPARE(main.TemeljnicaText(), std::string());
    QCOMPARE(main.DatumText(), std::string("  .  .  "));
    QCOMPARE(main.ProgressBar->minimum(), 0);
    QCOMPARE(main.ProgressBar->maximum(), 100);
    QCOMPARE(main.ProgressBar->value(), 0);
    QCOMPARE(main.FileName(), std::string("c:\\temp\\knjizbe.txt"));

    main.fPoslDog->SetText("KA");
    main.fReferent->SetText(
        "\x8A"
        "07");
    main.fTemeljnica->SetText("26KA00002");
    QCOMPARE(main.PoslDogText(), std::string("KA"));
    QCOMPARE(main.ReferentText(), std::string("\x8A"
                                              "07"));
    QCOMPARE(main.TemeljnicaText(), std::string("26KA00002"));
  }

  // The selectors carry the settings of their lists.
  void SelectorSettings() {
    TMain main;
    QCOMPARE(main.fPoslDog->LookupField(), std::string("PoslDog"));
    QCOMPARE(main.fReferent->LookupField(), std::string("UserID"));
    QCOMPARE(main.fTemeljnica->LookupField(), std::string("KLJUC"));
    QCOMPARE(main.fPoslDog->Selected(),
             (std::vector<std::string>{"POSLDOG\t7\tPos.dog.", "NAZIV\t31\tNaziv", "TIP\t3\tTip"}));
    QCOMPARE(main.fReferent->Selected(), (std::vector<std::string>{"USERID\t3\t\x8A"
                                                                   "ifra",
                                                                   "DELAVEC\t30\tDelavec\tF"}));
    QCOMPARE(main.fTemeljnica->Selected(),
             (std::vector<std::string>{"KLJUC\t10\t\x8Atevilka", "DATUM\t10\tDatum",
                                       "REFERENT\t4\tRef."}));
    for (TwwDBLookupCombo* s : {main.fPoslDog, main.fReferent, main.fTemeljnica}) {
      QCOMPARE(s->Options(), loColLines | loRowLines | loTitles);
      QCOMPARE(s->Style(), csDropDownList);
      QVERIFY(s->ShowButton());
      QCOMPARE(s->SeqSearchOptions(), ssoEnabled | ssoCaseSensitive);
      QVERIFY(!s->AllowClearKey());
      QCOMPARE(s->DropDownAlignment(), taLeftJustify);
    }
    QVERIFY(main.fPoslDog->AutoDropDown());
    QVERIFY(main.fReferent->AutoDropDown());
    QVERIFY(!main.fTemeljnica->AutoDropDown());
    QVERIFY(!main.fPoslDog->UseTFields());
    QVERIFY(!main.fReferent->UseTFields());
    QVERIFY(main.fTemeljnica->UseTFields());
  }

  void TabOrder() {
    TMain main;
    main.show();
    main.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&main));

    // The focus chain, restricted to the named controls.
    QList<QWidget*> named = {
        main.fKreiranjeTemeljnice, main.fPoslDog, main.fDatum, main.fReferent,
        main.fTemeljnica,          main.bPrenos,  main.bKonec, main.ProgressBar};
    QList<QWidget*> chain;
    QWidget* w = main.fKreiranjeTemeljnice;
    do {
      if (named.contains(w) && !chain.contains(w)) chain << w;
      w = w->nextInFocusChain();
    } while (w != main.fKreiranjeTemeljnice && chain.size() < named.size() + 1);
    QCOMPARE(chain, named);

    // Tab walks the first tab's fields, then the buttons, then back to the page control.
    main.fPoslDog->setFocus(Qt::OtherFocusReason);
    QVERIFY(main.fPoslDog->hasFocus());
    const QList<QWidget*> expected = {main.fDatum, main.fReferent, main.bPrenos, main.bKonec};
    for (QWidget* next : expected) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QCOMPARE(QApplication::focusWidget(), next);
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QWidget* page = QApplication::focusWidget();
    QVERIFY(page == main.fKreiranjeTemeljnice || main.fKreiranjeTemeljnice->isAncestorOf(page));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), main.fPoslDog);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget(), main.bKonec);
  }

  void LabelAcceleratorFocusesItsField() {
    TMain main;
    main.show();
    main.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    QCOMPARE(main.Label1->buddy(), main.fPoslDog);
    main.bKonec->setFocus(Qt::OtherFocusReason);
    QVERIFY(main.bKonec->hasFocus());
    QTest::keyClick(&main, Qt::Key_P, Qt::AltModifier);
    QVERIFY(main.fPoslDog->hasFocus());
  }

  void ProgressAndWaitCursor() {
    TMain main;
    main.SetProgress(42);
    QCOMPARE(main.ProgressBar->value(), 42);
    main.SetProgress(100);
    QCOMPARE(main.ProgressBar->value(), 100);
    QVERIFY(!QApplication::overrideCursor());
    main.SetWaitCursor(true);
    main.SetWaitCursor(true);
    QVERIFY(QApplication::overrideCursor());
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    main.SetWaitCursor(false);
    QVERIFY(!QApplication::overrideCursor());
  }

  void InformationBox() {
    TMain main;
    auto seen = testing::CloseMessageBoxes();
    main.ShowInformation("Information",
                         "Prenos knji\x9E"
                         "b zaklju\xE8"
                         "en !");
    QCOMPARE(seen->count, 1);
    QCOMPARE(seen->title, QString("Information"));
    QCOMPARE(seen->text, QString::fromUtf8("Prenos knjižb zaključen !"));
    QCOMPARE(seen->icon, QMessageBox::Information);
  }

  // Konec and the close box end the program: the event loop returns.
  void KonecEndsTheProgram() {
    QVERIFY(RunsUntilClosed([](TMain& main) { main.bKonec->click(); }));
  }
  void CloseBoxEndsTheProgram() {
    QVERIFY(RunsUntilClosed([](TMain& main) { main.close(); }));
  }

  // The dialog's settings; cancelling keeps the file name, choosing a file replaces it,
  // and the next use starts from that file.
  void OpenDialogKeepsItsFileName() {
    TMain main;
    QCOMPARE(main.OpenDialog.Title, std::string("Izberi datoteko za prenos cenika"));
    QCOMPARE(main.OpenDialog.DefaultExt, std::string("*.TXT"));
    const std::filesystem::path temp = PrefixDir() / "drive_c" / "temp";
    std::filesystem::create_directories(temp);
    std::ofstream(temp / "knjizbe.txt") << "\r\n";
    std::ofstream(temp / "druga.txt") << "\r\n";

    QString title, suffix, directory;
    QStringList preselected;
    auto seen = AnswerModals([&](QWidget* w) {
      auto* d = qobject_cast<QFileDialog*>(w);
      if (!d) return;
      title = d->windowTitle();
      suffix = d->defaultSuffix();
      directory = d->directory().absolutePath();
      preselected = d->selectedFiles();
      d->reject();
    });
    QVERIFY(!main.AskForFile());
    QCOMPARE(seen->className, QString("QFileDialog"));
    QCOMPARE(seen->objectName, QString("OpenDialog"));
    QCOMPARE(title, QString("Izberi datoteko za prenos cenika"));
    QCOMPARE(suffix, QString("TXT"));
    QCOMPARE(directory, QString::fromStdString(temp.string()));
    QCOMPARE(preselected.value(0), QString::fromStdString((temp / "knjizbe.txt").string()));
    QCOMPARE(main.FileName(), std::string("c:\\temp\\knjizbe.txt"));

    const std::string chosen = (temp / "druga.txt").string();
    seen = testing::ChooseInFileDialog(QString::fromStdString(chosen));
    QVERIFY(main.AskForFile());
    // The name is kept in Windows-1250 (the temporary folder's name holds a "ž").
    QCOMPARE(main.FileName(), PathToText(chosen));
    QCOMPARE(MapWindowsPath(main.FileName()), std::filesystem::path(chosen));

    seen = AnswerModals([&](QWidget* w) {
      if (auto* d = qobject_cast<QFileDialog*>(w)) {
        preselected = d->selectedFiles();
        d->reject();
      }
    });
    QVERIFY(!main.AskForFile());
    QCOMPARE(preselected.value(0), QString::fromStdString(chosen));
    QCOMPARE(main.FileName(), PathToText(chosen));
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
