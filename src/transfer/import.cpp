// The import of a posting file: the staging table's layout, the pieces of a line and
// their conversions.
#include "transfer/import.h"

#include <cmath>

#include "platform/convert.h"
#include "platform/exceptions.h"

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

// Characters start..start+length-1 (1-based) of s; fewer, or none, past its end.
std::string Piece(const std::string& s, size_t start, size_t length) {
  return start - 1 < s.size() ? s.substr(start - 1, length) : std::string();
}

// The fields one line fills, looked up once per import.
struct LineFields {
  explicit LineFields(TTable& t)
      : dsKupKnj(t.FieldByName("DsKup_Knj")), kzRacuna(t.FieldByName("KzRacuna")),
        kNaRacun(t.FieldByName("KNaRacun")), kStrM(t.FieldByName("KStrM")),
        kKupDob(t.FieldByName("KKupDob")), kDokm(t.FieldByName("KDokm")),
        datZap(t.FieldByName("DatZap")), vsebina(t.FieldByName("Vsebina")),
        znesek(t.FieldByName("Znesek")), datVal(t.FieldByName("DatVal")) {}
  TField &dsKupKnj, &kzRacuna, &kNaRacun, &kStrM, &kKupDob, &kDokm, &datZap, &vsebina,
      &znesek, &datVal;
};

void StageLine(LineFields& f, const std::string& line) {
  f.dsKupKnj.SetAsInteger(StrToInt(Trim(Piece(line, 27, 6))));
  f.kzRacuna.SetAsString(Piece(line, 75, 10));
  f.kNaRacun.SetAsString(Piece(line, 85, 10));
  f.kStrM.SetAsString(Piece(line, 95, 10));
  f.kKupDob.SetAsString(Piece(line, 105, 10));
  f.kDokm.SetAsString(Piece(line, 125, 7));
  f.datZap.SetAsDateTime(PrenosDatum(Piece(line, 138, 10)));
  f.vsebina.SetAsString(Piece(line, 146, 22));
  f.znesek.SetAsFloat(static_cast<double>(PrenosNumber(Piece(line, 169, 17))) / 10000.0);
  f.datVal.SetAsDateTime(PrenosDatum(Piece(line, 215, 10)));
}

}  // namespace

int64_t PrenosNumber(const std::string& piece) {
  std::string s = Trim(piece);
  if (const size_t comma = s.find(','); comma != std::string::npos)
    s = s.substr(0, comma) + s.substr(comma + 1, 2);
  const double v = StrToFloat(s) / 100 * 10000;
  // Seventeen digits of hundredths (or an exponent) can exceed a 64-bit count.
  if (!(v >= -9223372036854775808.0 && v < 9223372036854775808.0))
    throw EConvertError("'" + s + "' is outside the range of an amount");
  return RoundHalfEven(v);
}

TDateTime PrenosDatum(const std::string& piece) {
  const int day = StrToInt(Piece(piece, 7, 2));
  const int month = StrToInt(Piece(piece, 5, 2));
  const int year = StrToInt(Piece(piece, 1, 4));
  return EncodeDate(year, month, day);
}

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
  try {
    while (!tAscii.Eof()) {
      tbPrenos.Append();
      StageLine(fields, tAscii.FieldByName("Field1").AsString());
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
