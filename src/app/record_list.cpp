// The record list and its details pane.
#include "app/record_list.h"

#include <QHeaderView>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTableWidget>

namespace prenos {

TRecordList MakeRecordList(QWidget* parent, const QStringList& headers) {
  auto* list = new QTableWidget(0, static_cast<int>(headers.size()), parent);
  list->setObjectName("List");
  list->setHorizontalHeaderLabels(headers);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list->verticalHeader()->hide();
  list->horizontalHeader()->setStretchLastSection(true);
  auto* details = new QPlainTextEdit(parent);
  details->setObjectName("Details");
  details->setReadOnly(true);
  details->setLineWrapMode(QPlainTextEdit::WidgetWidth);

  auto* splitter = new QSplitter(Qt::Vertical, parent);
  splitter->addWidget(list);
  splitter->addWidget(details);
  splitter->setStretchFactor(0, 3);
  splitter->setStretchFactor(1, 2);
  return {list, details, splitter};
}

}  // namespace prenos
