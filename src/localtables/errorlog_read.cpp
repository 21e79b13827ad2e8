// The error table read through the local table store.
#include "localtables/errorlog_read.h"

#include <cmath>

#include "localtables/errorlog.h"
#include "localtables/table.h"

namespace prenos {

std::vector<TErrorRecord> ReadErrorRecords() {
  TTable table;
  table.SetTableName(kErrorTableName);
  try {
    table.Open();
  } catch (const ELocalTable& e) {
    if (e.Missing()) return {};
    throw;
  }
  std::vector<TErrorRecord> out;
  auto text = [&](const char* name) {
    TField* f = table.FindField(name);
    return f ? f->AsString() : std::string();
  };
  for (table.First(); !table.Eof(); table.Next()) {
    TErrorRecord r;
    if (TField* f = table.FindField("Cas")) r.Cas = f->AsDateTime();
    r.FormName = text("FormName");
    r.ControlName = text("ControlName");
    r.SenderName = text("SenderName");
    r.ObjectName = text("ObjectName");
    r.Operation = text("Operation");
    r.ExceptObject = text("ExceptObject");
    r.BuildNo = text("BuildNo");
    r.Error = text("Error");
    r.SenderProp = text("SenderProp");
    out.push_back(std::move(r));
  }
  table.Close();
  return {out.rbegin(), out.rend()};
}

std::vector<TErrorRecord> RecordsBetween(const std::vector<TErrorRecord>& records, TDateTime from,
                                         TDateTime to) {
  // The table keeps whole seconds: the bounds are widened to the seconds they fall in.
  constexpr double kSecond = 1.0 / 86400.0;
  const double lo = std::floor(from / kSecond) * kSecond - kSecond / 2;
  const double hi = std::ceil(to / kSecond) * kSecond + kSecond / 2;
  std::vector<TErrorRecord> out;
  for (const TErrorRecord& r : records)
    if (r.Cas >= lo && r.Cas <= hi) out.push_back(r);
  return out;
}

std::string FirstLineOf(const std::string& text) {
  return text.substr(0, text.find_first_of("\r\n"));
}

std::string ErrorRecordText(const TErrorRecord& r) {
  std::string details;
  for (size_t i = 0; i < r.SenderProp.size(); ++i)
    if (!(r.SenderProp[i] == '\r' && i + 1 < r.SenderProp.size() && r.SenderProp[i + 1] == '\n'))
      details += r.SenderProp[i];
  std::string out;
  auto line = [&](const char* name, const std::string& value) {
    out.append(name).append(": ").append(value).append("\n");
  };
  line("Operation", r.Operation);
  line("Error", r.Error);
  line("ExceptObject", r.ExceptObject);
  line("SenderName", r.SenderName);
  line("ObjectName", r.ObjectName);
  line("FormName", r.FormName);
  line("ControlName", r.ControlName);
  line("BuildNo", r.BuildNo);
  out += "SenderProp:\n" + details;
  if (!out.empty() && out.back() != '\n') out += '\n';
  return out;
}

}  // namespace prenos
