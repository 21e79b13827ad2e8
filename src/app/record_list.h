// The list of records above the selected one's details, as the history and error-table
// windows show them.
#pragma once

#include <QStringList>

class QPlainTextEdit;
class QSplitter;
class QTableWidget;
class QWidget;

namespace prenos {

struct TRecordList {
  QTableWidget* List;       // read-only rows, selected one whole row at a time
  QPlainTextEdit* Details;  // read-only
  QSplitter* Splitter;      // holds both, the list above
};

// The list (object name "List") with its column headers and the details ("Details") in a
// vertical splitter, all owned by parent.
TRecordList MakeRecordList(QWidget* parent, const QStringList& headers);

}  // namespace prenos
