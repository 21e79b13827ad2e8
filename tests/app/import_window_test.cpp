// The window's import, as a run uses it: the file asked for with the window's dialog
// (answered as a user would) and imported into the window's staging table. Real files,
// the real dialog, the real local tables; the whole run is the transfer suite's.
#include <QTest>
#include <filesystem>
#include <fstream>

#include "app/app_title.h"
#include "app/main_window.h"
#include "platform/datetime.h"
#include "platform/prefix.h"
#include "support/gui_support.h"

using namespace prenos;
using prenos::testing::ChooseInFileDialog;
using prenos::testing::CloseMessageBoxes;

namespace {

// One 224-character posting line (Windows-1250) with its fields at their positions.
std::string PostingLine(const std::string& doc, const std::string& konto,
                        const std::string& protiKonto, const std::string& strm,
                        const std::string& partner, const std::string& vsebina,
                        const std::string& date, const std::string& amount,
                        const std::string& valDate) {
  std::string line(224, ' ');
  auto put = [&line](size_t start, size_t width, const std::string& text, bool right = false) {
    const std::string t = text.substr(0, width);
    line.replace(start - 1 + (right ? width - t.size() : 0), t.size(), t);
  };
  put(27, 6, doc, true);
  put(75, 10, konto);
  put(85, 10, protiKonto);
  put(95, 10, strm);
  put(105, 10, partner);
  put(125, 7, "RDIR1");
  put(138, 8, date);
  put(146, 22, vsebina);
  put(169, 17, amount, true);
  put(215, 8, valDate);
  return line;
}

void WriteFile(const std::filesystem::path& path, const std::vector<std::string>& lines) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  for (const auto& l : lines) out << l << "\r\n";
}

// The message of the import's failure, or "" when it did not fail.
std::string ImportFailure(TMain& main) {
  try {
    main.FillPrenos();
  } catch (const Exception& e) {
    return e.Message();
  }
  return {};
}

std::filesystem::path DefaultInput() { return PrefixDir() / "drive_c" / "temp" / "knjizbe.txt"; }

}  // namespace

class ImportWindowTest : public testing::PrefixedTest {
  Q_OBJECT

 private slots:
  void initTestCase() { SetApplicationTitle(kApplicationTitle); }

  void ImportsTheChosenFile() {
    WriteFile(
        DefaultInput(),
        {PostingLine("501", "1200", "7600", "100", "P001", "Ra\xE8un 501 \x8Ai\x9Aka", "20261020",
                     "1234,56", "20261119"),
         PostingLine("502", "2200", "4000", "200", "P009", "Dobavnica", "20261021", "700",
                     "20261120"),
         PostingLine("-17", "1200", "7600", "", "", "Storno", "20261231", "-3,00", "20270131")});
    TMain main;
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));

    // The dialog opens on the default file; Open takes it.
    auto dialog = testing::AnswerModals([](QWidget* w) {
      if (auto* d = qobject_cast<QFileDialog*>(w)) static_cast<QDialog*>(d)->accept();
    });
    QVERIFY(main.AskForFile());
    QCOMPARE(dialog->count, 1);
    QCOMPARE(MapWindowsPath(main.FileName()), DefaultInput());
    auto boxes = CloseMessageBoxes();
    main.FillPrenos();
    QCoreApplication::processEvents();
    QCOMPARE(boxes->count, 0);  // the import shows nothing
    QCOMPARE(&main.StagingTable(), &main.tbPrenos);
    QVERIFY(std::filesystem::exists(PrefixDir() / "aliases" / "TorvikTemp" / "Prenos.db"));

    TTable& t = main.tbPrenos;
    QVERIFY(t.Active());
    QVERIFY(!main.TAscii.Active());
    QCOMPARE(t.RecordCount(), int64_t(3));
    QCOMPARE(t.FieldByName("DsKup_Knj").AsInteger(), 501);
    QCOMPARE(t.FieldByName("KzRacuna").AsString(), std::string("1200"));
    QCOMPARE(t.FieldByName("KNaRacun").AsString(), std::string("7600"));
    QCOMPARE(t.FieldByName("KStrM").AsString(), std::string("100"));
    QCOMPARE(t.FieldByName("KKupDob").AsString(), std::string("P001"));
    QCOMPARE(t.FieldByName("KDokm").AsString(), std::string("RDIR1"));
    QCOMPARE(t.FieldByName("Vsebina").AsString(), std::string("Ra\xE8un 501 \x8Ai\x9Aka"));
    QCOMPARE(t.FieldByName("Znesek").AsFloat(), 1234.56);
    QCOMPARE(t.FieldByName("DatZap").AsDateTime(), EncodeDate(2026, 10, 20));
    QCOMPARE(t.FieldByName("DatVal").AsDateTime(), EncodeDate(2026, 11, 19));
    t.Next();
    QCOMPARE(t.FieldByName("DsKup_Knj").AsInteger(), 502);
    QCOMPARE(t.FieldByName("Znesek").AsFloat(), 7.0);
    t.Next();
    QCOMPARE(t.FieldByName("DsKup_Knj").AsInteger(), -17);
    QCOMPARE(t.FieldByName("Znesek").AsFloat(), -3.0);
    QCOMPARE(t.FieldByName("DatZap").AsDateTime(), EncodeDate(2026, 12, 31));
    t.Next();
    QVERIFY(t.Eof());

    // The next file chosen replaces the staged records.
    const auto other = PrefixDir() / "drive_c" / "temp" / "druga.txt";
    WriteFile(other,
              {PostingLine("9", "1000", "2000", "", "", "Druga", "20260101", "1", "20260101")});
    dialog = ChooseInFileDialog(QString::fromStdString(other.string()));
    QVERIFY(main.AskForFile());
    QCOMPARE(dialog->count, 1);
    main.FillPrenos();
    QCOMPARE(t.RecordCount(), int64_t(1));
    QCOMPARE(t.FieldByName("DsKup_Knj").AsInteger(), 9);
    QCOMPARE(t.FieldByName("Znesek").AsFloat(), 0.01);
  }

  // A line that does not convert: the import fails with its message (which the
  // application's handler shows); the lines before it stay staged.
  void BadLineFails() {
    const auto bad = PrefixDir() / "drive_c" / "temp" / "slaba.txt";
    WriteFile(bad,
              {PostingLine("1", "1200", "7600", "", "", "Prva", "20260105", "100", "20260105"),
               PostingLine("2", "1200", "7600", "", "", "Druga", "20260105", "12x", "20260105"),
               PostingLine("3", "1200", "7600", "", "", "Tretja", "20260105", "300", "20260105")});
    TMain main;
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    auto dialog = ChooseInFileDialog(QString::fromStdString(bad.string()));
    QVERIFY(main.AskForFile());
    QCOMPARE(ImportFailure(main), std::string("Napaka v vrstici 2, polje Znesek (mesta 169\x96"
                                              "185):\n"
                                              "'12x' is not a valid floating point value"));
    main.tbPrenos.Close();
    main.tbPrenos.Open();
    QCOMPARE(main.tbPrenos.RecordCount(), int64_t(1));
    QCOMPARE(main.tbPrenos.FieldByName("Vsebina").AsString(), std::string("Prva"));

    // A date that is no date; a file that is gone.
    WriteFile(bad,
              {PostingLine("1", "1200", "7600", "", "", "Prva", "20260231", "100", "20260105")});
    QCOMPARE(ImportFailure(main), std::string("Napaka v vrstici 1, polje DatZap (mesta 138\x96"
                                              "145):\n"
                                              "Invalid argument to date encode"));
    std::filesystem::remove(bad);
    QVERIFY(!ImportFailure(main).empty());
    QVERIFY(!main.TAscii.Active());
  }

  // An empty file stages nothing, and says nothing.
  void EmptyFile() {
    WriteFile(DefaultInput(), {});
    TMain main;
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    auto dialog = ChooseInFileDialog(QString::fromStdString(DefaultInput().string()));
    QVERIFY(main.AskForFile());
    QCOMPARE(dialog->count, 1);
    main.FillPrenos();
    QVERIFY(main.tbPrenos.Active());
    QCOMPARE(main.tbPrenos.RecordCount(), int64_t(0));
    QVERIFY(main.tbPrenos.Eof());
  }
};

QTEST_MAIN(ImportWindowTest)
#include "import_window_test.moc"
