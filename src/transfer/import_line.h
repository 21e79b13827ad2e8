// One line of a posting file cut into its pieces and converted: the document number, the
// two dates and the amount, with errors that name the line and the field.
#pragma once

#include <cstdint>
#include <string>

#include "platform/datetime.h"
#include "platform/exceptions.h"

namespace prenos {

// The values one line gives its staged record. Texts are the pieces exactly as cut.
struct TPostingRecord {
  int32_t DsKupKnj = 0;
  std::string KzRacuna, KNaRacun, KStrM, KKupDob, KDokm;
  TDateTime DatZap = 0;
  std::string Vsebina;
  int64_t Znesek = 0;  // ten-thousandths
  TDateTime DatVal = 0;
};

// A piece of a line that does not convert. The message is "Napaka v vrstici L, polje F
// (mesta A–B):" and, on the next line, the conversion's own message (Detail()).
class EImportLine : public EConvertError {
 public:
  EImportLine(int64_t line, std::string field, int first, int last, std::string detail);
  int64_t Line() const noexcept { return line_; }
  const std::string& Field() const noexcept { return field_; }
  int First() const noexcept { return first_; }
  int Last() const noexcept { return last_; }
  const std::string& Detail() const noexcept { return detail_; }

 private:
  int64_t line_;
  std::string field_;
  int first_, last_;
  std::string detail_;
};

// Pure: cuts a Windows-1250 line at its fixed positions and converts the document
// number, DatZap, Znesek and DatVal in that order; the first piece that fails raises
// EImportLine naming lineNumber (1-based, only used in the message).
TPostingRecord CutPostingLine(const std::string& line, int64_t lineNumber);

// The first piece of a line that does not convert: its field, the positions its
// conversion reads and the conversion's own message.
struct TLineFault {
  std::string Field;
  int First = 0, Last = 0;
  std::string Detail;
};

// CutPostingLine without raising, for callers that meet many bad lines: false, with the
// failing piece in fault, where CutPostingLine raises.
bool TryCutPostingLine(const std::string& line, TPostingRecord& out, TLineFault& fault);

// An amount piece in ten-thousandths: blanks trimmed, at most two characters kept after
// the first comma (the comma itself dropped); what is left must be an optional sign and
// digits, read as hundredths. 1234,56 -> 12345600; 12,5 -> 12500; 123456 -> 12345600.
// Raises EConvertError "'%s' is not a valid floating point value" (a '.' or a letter
// included), or "'%s' is outside the range of an amount".
int64_t PrenosNumber(const std::string& piece);
bool TryPrenosNumber(const std::string& piece, int64_t& out, std::string& error);

// A date piece YYYYMMDD (only the first eight characters are read); day, month and year
// converted in that order. Raises EConvertError "'%s' is not a valid integer value" or
// "Invalid argument to date encode".
TDateTime PrenosDatum(const std::string& piece);
bool TryPrenosDatum(const std::string& piece, TDateTime& out, std::string& error);

}  // namespace prenos
