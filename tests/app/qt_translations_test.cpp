// Qt's Slovenian texts in the standard dialogs: the message boxes' buttons and the file
// dialog speak Slovenian once the catalogue is installed, while the window's own captions,
// the dialog's title and the boxes' titles and texts stay exactly as the program sets them.
#include "app/qt_translations.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <memory>

#include "app/main_window.h"
#include "support/gui_support.h"

using namespace prenos;
using prenos::testing::AnswerModals;

namespace {

QString ButtonText(QMessageBox::StandardButton which) {
  QMessageBox box(QMessageBox::Question, "Naslov", "Besedilo", which);
  return box.button(which)->text();
}

}  // namespace

class QtTranslationsTest : public testing::PrefixedTest {
  Q_OBJECT

 private slots:

  void StandardDialogsSpeakSlovenian() {
    // Qt's own English before the catalogue, so the comparisons below can only pass by it.
    QCOMPARE(ButtonText(QMessageBox::Cancel), QString("Cancel"));
    QVERIFY(InstallQtTranslations(*qApp));

    QCOMPARE(ButtonText(QMessageBox::Ok), QString("V redu"));
    QCOMPARE(ButtonText(QMessageBox::Cancel), QString::fromUtf8("Prekliči"));
    QCOMPARE(ButtonText(QMessageBox::Yes), QString("&Da"));
    QCOMPARE(ButtonText(QMessageBox::No), QString("&Ne"));

    // The window's file dialog: its buttons and labels in Slovenian, its title its own.
    TMain main;
    QStringList buttons, labels;
    QString title;
    auto seen = AnswerModals([&](QWidget* w) {
      auto* dialog = qobject_cast<QFileDialog*>(w);
      if (!dialog) return;
      title = dialog->windowTitle();
      for (QPushButton* b : dialog->findChild<QDialogButtonBox*>()->findChildren<QPushButton*>())
        buttons << b->text();
      for (QLabel* l : dialog->findChildren<QLabel*>()) labels << l->text();
      dialog->reject();
    });
    QVERIFY(!main.AskForFile());
    QCOMPARE(seen->count, 1);
    QCOMPARE(title, QString("Izberi datoteko za prenos cenika"));
    buttons.sort();
    QCOMPARE(buttons, QStringList({"&Odpri", QString::fromUtf8("Prekliči")}));
    QVERIFY2(!labels.contains("File &name:"), qPrintable(labels.join(" | ")));
    QVERIFY2(labels.contains("Ime &datoteke:"), qPrintable(labels.join(" | ")));

    // The program's own captions are not translated texts.
    QCOMPARE(main.windowTitle(), QString::fromUtf8("Prenos knjižb"));
    QCOMPARE(main.bPrenos->text(), QString("Prenos"));
    QCOMPARE(main.bKonec->text(), QString("Konec"));
    QCOMPARE(main.fKreiranjeTemeljnice->tabText(0), QString("Kreiranje temeljn."));
    QCOMPARE(main.fKreiranjeTemeljnice->tabText(1), QString::fromUtf8("Priključi na obstoječo"));
    QCOMPARE(main.Label1->text(), QString("&Poslovni dogodek:"));

    // A box's own title and text stay; only its standard button is translated.
    seen = AnswerModals([](QWidget* w) {
      if (auto* box = qobject_cast<QMessageBox*>(w)) {
        QCOMPARE(box->button(QMessageBox::Ok)->text(), QString("V redu"));
        box->done(QMessageBox::Ok);
      }
    });
    main.ShowInformation("Information",
                         "Prenos knji\x9E"
                         "b zaklju\xE8"
                         "en !");
    QCOMPARE(seen->count, 1);
    QCOMPARE(seen->title, QString("Information"));
    QCOMPARE(seen->text, QString::fromUtf8("Prenos knjižb zaključen !"));
  }
};

QTEST_MAIN(QtTranslationsTest)
#include "qt_translations_test.moc"
