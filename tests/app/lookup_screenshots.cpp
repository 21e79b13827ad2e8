// Pictures of the main window with each lookup list open, on the sample ledger, for the
// README. Run on a real X display (xvfb-run): lookup_screenshots OUTPUT_FOLDER.
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <cstdio>

#include "app/app_title.h"
#include "app/datasif.h"
#include "app/main_window.h"
#include "controls/lookup_combo.h"
#include "ledger/ledger_fixture.h"
#include "settings/credentials.h"

using namespace prenos;

namespace {

// The window and the open list together, as the screen shows them.
bool Shoot(TMain& main, TwwDBLookupCombo* selector, const QString& file) {
  QTest::qWait(300);
  const QRect area = main.frameGeometry().united(selector->List()->frameGeometry());
  const QPixmap shot =
      main.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
  const bool saved = shot.save(file);
  std::printf("%s %s\n", saved ? "wrote" : "could not write", file.toUtf8().constData());
  return saved;
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: lookup_screenshots OUTPUT_FOLDER\n");
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  SetApplicationTitle(kApplicationTitle);
  testing::TestLedger ledger(testing::Backend::Sqlite);
  ledger.LoadSample();
  TMain main;
  SQLUserName = ledger.UserName();
  SQLPassword = ledger.Password();
  TDataSif module;
  main.BindDataModule(module);
  main.show();
  main.activateWindow();
  if (!QTest::qWaitForWindowActive(&main)) return 1;

  bool ok = true;
  main.fPoslDog->setFocus();
  QTest::keyClick(main.fPoslDog, '1');
  QTest::keyClick(main.fPoslDog, Qt::Key_Down);
  ok &= Shoot(main, main.fPoslDog, out.filePath("lookup-posldog.png"));
  QTest::keyClick(main.fPoslDog, Qt::Key_Return);

  main.fReferent->setFocus();
  QTest::keyClick(main.fReferent, Qt::Key_Down, Qt::AltModifier);
  QTest::keyClick(main.fReferent, Qt::Key_Down);
  QTest::keyClick(main.fReferent, Qt::Key_Down);
  ok &= Shoot(main, main.fReferent, out.filePath("lookup-referent.png"));
  QTest::keyClick(main.fReferent, Qt::Key_Return);

  main.fKreiranjeTemeljnice->setCurrentWidget(main.fStaraTemeljnica);
  main.fTemeljnica->setFocus();
  QTest::keyClick(main.fTemeljnica, Qt::Key_Down, Qt::AltModifier);
  QTest::keyClick(main.fTemeljnica, Qt::Key_Down);
  ok &= Shoot(main, main.fTemeljnica, out.filePath("lookup-temeljnica.png"));
  QTest::keyClick(main.fTemeljnica, Qt::Key_Escape);
  return ok ? 0 : 1;
}
