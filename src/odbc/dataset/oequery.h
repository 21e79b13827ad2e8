// The query data set as a component: SQL lines (TCustomOEQuery), the published form
// (TOEQuery), and the form the grid and lookup controls use (TwwOEDataSet), which adds
// picture masks and a DatabaseName naming its connection component.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "odbc/dataset/oedataset.h"

namespace prenos {

class TCustomOEQuery : public TCustomOEDataSet {
 public:
  using TCustomOEDataSet::TCustomOEDataSet;
  const char* ClassName() const override { return "TCustomOEQuery"; }

  // The SQL lines. Setting them terminates the statement (closing the data set) and
  // sets the SQL text to the lines joined, each followed by CR LF.
  const std::vector<std::string>& SQL() const { return lines_; }
  void SetSQL(std::vector<std::string> lines);

 private:
  std::vector<std::string> lines_;
};

class TOEQuery : public TCustomOEQuery {
 public:
  using TCustomOEQuery::TCustomOEQuery;
  const char* ClassName() const override { return "TOEQuery"; }
};

class TwwOEDataSet : public TOEQuery {
 public:
  using TOEQuery::TOEQuery;
  const char* ClassName() const override { return "TwwOEDataSet"; }
  // DatabaseName, TableName, the connection line and the SQL lines joined by blanks.
  void AppendErrorDetails(std::string& out) const override;

  // The Name of the connection component in hDbc; empty without one. Setting it looks
  // the name up among the owner's components and takes a THdbc found there; otherwise
  // nothing changes.
  std::string DatabaseName() const;
  void SetDatabaseName(const std::string& name);

  std::vector<std::string> ControlType;
  // One line per field: field name, tab, mask. In a mask "#" is a digit, "?" a letter,
  // "&" any character, "*" any run of characters, anything else itself.
  std::vector<std::string> PictureMasks;
  bool ValidateWithMask = true;
  // Called for a value that does not fit its mask; without a handler posting fails with
  // EDatabaseError "Invalid value for field 'name'".
  std::function<void(TwwOEDataSet& dataSet, db::TField& field)> OnInvalidValue;

  // Whether text fits a mask.
  static bool MatchesMask(const std::string& text, const std::string& mask);

 protected:
  void DoBeforePost() override;
};

}  // namespace prenos
