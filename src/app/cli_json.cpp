// Runs and error records as JSON objects.
#include "app/cli_json.h"

#include <QJsonDocument>
#include <cstdio>

#include "controls/qt_text.h"
#include "platform/datetime.h"

namespace prenos {
namespace {

double Number(TCurrency amount) { return static_cast<double>(amount.Value) / 10000.0; }

QJsonValue Time(TDateTime value, bool withTime = true) {
  if (value == 0) return QJsonValue::Null;
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
  DecodeDate(value, y, mo, d);
  DecodeTime(value, h, mi, s, ms);
  const QString date = QString::asprintf("%04d-%02d-%02d", y, mo, d);
  return withTime ? date + QString::asprintf("T%02d:%02d:%02d", h, mi, s) : date;
}

QJsonValue TextOrNull(const std::string& cp1250) {
  return cp1250.empty() ? QJsonValue::Null : QJsonValue(FromCp1250(cp1250));
}

QJsonArray Subjects(const std::vector<std::string>& codes) {
  QJsonArray list;
  for (const std::string& c : codes) list.append(FromCp1250(c));
  return list;
}

void Print(const QByteArray& json) {
  std::fwrite(json.constData(), 1, static_cast<size_t>(json.size()), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

}  // namespace

QString OutcomeName(TRunState state) {
  switch (state) {
    case TRunState::Running: return "running";
    case TRunState::Booked: return "booked";
    case TRunState::Failed: return "failed";
    case TRunState::Cancelled: return "cancelled";
    case TRunState::Undone: return "undone";
    case TRunState::Preview: return "preview";
  }
  return {};
}

QJsonObject RunJson(const TRunRecord& r) {
  QJsonObject o;
  o["run"] = r.Id ? QJsonValue(static_cast<qint64>(r.Id)) : QJsonValue::Null;
  o["outcome"] = OutcomeName(r.State);
  o["journal"] = TextOrNull(r.Journal);
  o["first_position"] = r.FirstPoz;
  o["last_position"] = r.LastPoz;
  o["lines"] = r.Lines;
  o["debit"] = Number(r.Debit);
  o["credit"] = Number(r.Credit);
  o["skipped"] = QJsonValue::Null;
  o["new_subjects"] = Subjects(r.NewSubjects);
  o["file"] = FromCp1250(r.FileName);
  o["records"] = static_cast<qint64>(r.Records);
  o["attached"] = r.AttachedToExisting;
  o["created_header"] = r.CreatedHeader;
  o["event"] = FromCp1250(r.PoslDog);
  o["clerk"] = FromCp1250(r.Referent);
  o["date"] = Time(r.Date, false);
  o["started"] = Time(r.Started);
  o["ended"] = Time(r.Ended);
  o["undone_at"] = Time(r.UndoneAt);
  o["user"] = FromCp1250(r.User);
  o["failed_step"] = TextOrNull(r.FailedStep);
  o["failure"] = TextOrNull(r.Failure);
  return o;
}

QJsonObject SummaryJson(const TRunRecord& run, const TRunSummary& s) {
  QJsonObject o = RunJson(run);
  using TOutcome = TRunSummary::TOutcome;
  static const char* const names[] = {"running", "booked", "failed", "cancelled", "preview"};
  o["outcome"] = names[static_cast<int>(s.Outcome)];
  if (s.Outcome == TOutcome::Running)
    o["outcome"] = "failed";  // ended by an exception before its end
  o["journal"] = TextOrNull(s.Journal.empty() ? run.Journal : s.Journal);
  o["first_position"] = s.FirstPoz;
  o["last_position"] = s.LastPoz;
  o["lines"] = s.Lines;
  o["debit"] = Number(s.Debit);
  o["credit"] = Number(s.Credit);
  o["skipped"] = s.Skipped;
  o["new_subjects"] = Subjects(s.NewSubjects);
  o["records"] = static_cast<qint64>(s.Records);
  o["created_header"] = s.CreatedHeader;
  if (!s.FailedStep.empty()) o["failed_step"] = FromCp1250(s.FailedStep);
  if (!s.Failure.empty()) o["failure"] = FromCp1250(s.Failure);
  return o;
}

QJsonObject ErrorJson(const TErrorRecord& e) {
  QJsonObject o;
  o["time"] = Time(e.Cas);
  o["operation"] = FromCp1250(e.Operation);
  o["error"] = FromCp1250(e.Error);
  o["sql"] = FromCp1250(e.SenderProp);
  o["form"] = FromCp1250(e.FormName);
  o["control"] = FromCp1250(e.ControlName);
  o["sender"] = FromCp1250(e.SenderName);
  o["object"] = FromCp1250(e.ObjectName);
  o["exception"] = FromCp1250(e.ExceptObject);
  return o;
}

void PrintJson(const QJsonObject& object) {
  Print(QJsonDocument(object).toJson(QJsonDocument::Compact));
}
void PrintJson(const QJsonArray& array) {
  Print(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

}  // namespace prenos
