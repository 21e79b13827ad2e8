// The import of a posting file: the staging table's layout and the staging of each line.
#include "transfer/import.h"

#include "transfer/import_line.h"

namespace prenos {
namespace {

struct StagingField {
  const char* name;
  TFieldType type;
  int size;
};

// The staging table "Prenos", in this order; the posting rules read it by name.
constexpr StagingField kPrenosFields[] = {
    {"Ident", TFieldType::Integer, 0},     {"Oznaka", TFieldType::Integer, 0},
    {"Tip", TFieldType::Integer, 0},       {"StDok", TFieldType::Integer, 0},
    {"StDne", TFieldType::Integer, 0},     {"IdZap", TFieldType::Integer, 0},
    {"DsKup_Knj", TFieldType::Integer, 0}, {"IdRacuna", TFieldType::Integer, 0},
    {"IdStrm", TFieldType::Integer, 0},    {"IdKupDob", TFieldType::Integer, 0},
    {"IdMatOsn", TFieldType::Integer, 0},  {"IdDeviza", TFieldType::Integer, 0},
    {"IdDokm", TFieldType::Integer, 0},    {"KzRacuna", TFieldType::String, 10},
    {"KNaRacun", TFieldType::String, 10},  {"KStrM", TFieldType::String, 10},
    {"KKupDob", TFieldType::String, 10},   {"KMatOsn", TFieldType::String, 10},
    {"KDokm", TFieldType::String, 10},     {"STrans", TFieldType::Integer, 0},
    {"STrank", TFieldType::Integer, 0},    {"STranMs", TFieldType::Integer, 0},
    {"DatZap", TFieldType::Date, 0},       {"Vsebina", TFieldType::String, 22},
    {"Operater", TFieldType::String, 1},   {"Status", TFieldType::String, 1},
    {"Znesek", TFieldType::Float, 0},      {"OdpZnesek", TFieldType::Float, 0},
    {"Kolicina", TFieldType::Float, 0},    {"DatVal", TFieldType::Date, 0},
    {"IDDevize", TFieldType::Integer, 0},  {"KDevize", TFieldType::String, 10},
    {"Tecaj", TFieldType::Float, 0},       {"Status1", TFieldType::String, 1},
};

// The fields one line fills, looked up once per import.
struct LineFields {
  explicit LineFields(TTable& t)
      : dsKupKnj(t.FieldByName("DsKup_Knj")),
        kzRacuna(t.FieldByName("KzRacuna")),
        kNaRacun(t.FieldByName("KNaRacun")),
        kStrM(t.FieldByName("KStrM")),
        kKupDob(t.FieldByName("KKupDob")),
        kDokm(t.FieldByName("KDokm")),
        datZap(t.FieldByName("DatZap")),
        vsebina(t.FieldByName("Vsebina")),
        znesek(t.FieldByName("Znesek")),
        datVal(t.FieldByName("DatVal")) {}
  TField &dsKupKnj, &kzRacuna, &kNaRacun, &kStrM, &kKupDob, &kDokm, &datZap, &vsebina, &znesek,
      &datVal;
};

void StageLine(LineFields& f, const TPostingRecord& r) {
  f.dsKupKnj.SetAsInteger(r.DsKupKnj);
  f.kzRacuna.SetAsString(r.KzRacuna);
  f.kNaRacun.SetAsString(r.KNaRacun);
  f.kStrM.SetAsString(r.KStrM);
  f.kKupDob.SetAsString(r.KKupDob);
  f.kDokm.SetAsString(r.KDokm);
  f.datZap.SetAsDateTime(r.DatZap);
  f.vsebina.SetAsString(r.Vsebina);
  f.znesek.SetAsFloat(static_cast<double>(r.Znesek) / 10000.0);
  f.datVal.SetAsDateTime(r.DatVal);
}

}  // namespace

void FillPrenos(TTable& tbPrenos, TTable& tAscii, const std::string& fileName) {
  tbPrenos.Close();
  tbPrenos.ClearFieldDefs();
  for (const StagingField& f : kPrenosFields) tbPrenos.AddFieldDef(f.name, f.type, f.size, false);
  tbPrenos.ClearIndexDefs();
  tbPrenos.CreateTable();
  tbPrenos.Open();

  tAscii.Close();
  tAscii.SetTableName(fileName);
  tAscii.Open();

  LineFields fields(tbPrenos);
  int64_t lineNumber = 0;
  try {
    while (!tAscii.Eof()) {
      tbPrenos.Append();
      StageLine(fields, CutPostingLine(tAscii.FieldByName("Field1").AsString(), ++lineNumber));
      tbPrenos.Post();
      tAscii.Next();
    }
  } catch (...) {
    // The half-filled record must never be stored by a later move or post.
    try {
      tbPrenos.Cancel();
    } catch (...) {
    }
    throw;
  }
  tAscii.Close();
  tbPrenos.First();
}

}  // namespace prenos
