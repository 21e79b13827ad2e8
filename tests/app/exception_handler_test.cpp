// The handler of uncaught exceptions: one error box titled with the application title,
// the full-stop rule, the silent abort, and the safety net of the application object.
#include "app/exception_handler.h"

#include <QPushButton>
#include <QTest>
#include <stdexcept>

#include "app/app_title.h"
#include "platform/exceptions.h"
#include "support/gui_support.h"

using namespace prenos;
using prenos::testing::CloseMessageBoxes;

namespace {

// An abort of its own kind: derived from the silent abort, so silent as well.
class EMyAbort : public EAbort {
 public:
  EMyAbort() : EAbort("stopped") {}
};

// An object whose handler of a custom event fails: only the application's notify sees it.
class Failing : public QObject {
 public:
  static QEvent::Type Type() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
  }
  bool event(QEvent* e) override {
    if (e->type() == Type()) throw EConvertError("'x' is not a valid integer value");
    return QObject::event(e);
  }
};

const QString kTitle = QString::fromUtf8("Stelvar Prenos knjižb");

}  // namespace

class ExceptionHandlerTest : public testing::PrefixedTest {
  Q_OBJECT

  // Clicks a button whose guarded slot throws what `fail` throws; returns what was seen.
  std::shared_ptr<testing::SeenDialog> ClickFailing(const std::function<void()>& fail) {
    QPushButton button("x");
    QObject::connect(&button, &QPushButton::clicked, &button, Guarded([fail] { fail(); }));
    auto seen = CloseMessageBoxes();
    button.click();
    QCoreApplication::processEvents();
    return seen;
  }

 private slots:
  void initTestCase() { SetApplicationTitle(kApplicationTitle); }

  // A full stop is added when the last byte sorts after ".".
  void FullStopRule() {
    QCOMPARE(ErrorBoxText("Invalid argument to date encode"),
             std::string("Invalid argument to date encode."));
    QCOMPARE(ErrorBoxText("'12x' is not a valid floating point value"),
             std::string("'12x' is not a valid floating point value."));
    QCOMPARE(ErrorBoxText("Konec."), std::string("Konec."));
    QCOMPARE(ErrorBoxText("Prenos knji\x9E"
                          "b zaklju\xE8"
                          "en !"),
             std::string("Prenos knji\x9E"
                         "b zaklju\xE8"
                         "en !"));
    QCOMPARE(ErrorBoxText("value '5'"), std::string("value '5'"));  // "'" < "."
    QCOMPARE(ErrorBoxText("a-"), std::string("a-"));
    QCOMPARE(ErrorBoxText("a/"), std::string("a/."));  // "/" > "."
    QCOMPARE(ErrorBoxText("12"), std::string("12."));
    QCOMPARE(ErrorBoxText("Napaka: \xE8"), std::string("Napaka: \xE8."));  // č is a byte above 0x7F
    QCOMPARE(ErrorBoxText(""), std::string());
  }

  void EveryFailureReachesOneBox() {
    auto seen = ClickFailing([] { throw EConvertError("'  .  .  ' is not a valid date"); });
    QCOMPARE(seen->count, 1);
    QCOMPARE(seen->objectName, QString("ErrorBox"));
    QCOMPARE(seen->title, kTitle);
    QCOMPARE(seen->text, QString("'  .  .  ' is not a valid date."));
    QCOMPARE(seen->icon, QMessageBox::Critical);

    // Windows-1250 messages are shown in their letters.
    seen = ClickFailing([] {
      throw Exception(
          "Ni mogo\xE8"
          "e odpreti datoteke \x8A"
          "tevilke");
    });
    QCOMPARE(seen->count, 1);
    QCOMPARE(seen->text, QString::fromUtf8("Ni mogoče odpreti datoteke Številke."));

    // Standard exceptions and anything else are shown too.
    seen = ClickFailing([] { throw std::runtime_error("disk full"); });
    QCOMPARE(seen->text, QString("disk full."));
    seen = ClickFailing([] { throw 42; });
    QCOMPARE(seen->count, 1);
    QCOMPARE(seen->text, QString("Unknown exception."));
  }

  void AbortIsSilent() {
    auto seen = ClickFailing([] { throw EAbort(); });
    QCOMPARE(seen->count, 0);
    seen = ClickFailing([] { throw EMyAbort(); });
    QCOMPARE(seen->count, 0);
    // And the handler goes on working after a silent abort.
    seen = ClickFailing([] { throw EDatabaseError("Table is busy"); });
    QCOMPARE(seen->count, 1);
    QCOMPARE(seen->text, QString("Table is busy."));
  }

  // A handler that no slot wraps: the application object catches its failure.
  void NotifyIsTheSafetyNet() {
    QVERIFY(dynamic_cast<TGuardedApplication*>(qApp));
    Failing failing;
    auto seen = CloseMessageBoxes();
    QEvent sent(Failing::Type());
    QVERIFY(!QCoreApplication::sendEvent(&failing, &sent));
    QCOMPARE(seen->count, 1);
    QCOMPARE(seen->title, kTitle);
    QCOMPARE(seen->text, QString("'x' is not a valid integer value."));

    seen = CloseMessageBoxes();
    QCoreApplication::postEvent(&failing, new QEvent(Failing::Type()));
    QTRY_COMPARE(seen->count, 1);
    QCOMPARE(seen->text, QString("'x' is not a valid integer value."));
  }
};

// The program's own application object, so that its notify is under test.
int main(int argc, char* argv[]) {
  TGuardedApplication app(argc, argv);
  ExceptionHandlerTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "exception_handler_test.moc"
