// The date field's mask as plain data: three two-character groups between two date
// separators ("dd.mm.yy"), the day and month digits optional, the two year digits required.
// The separators belong to the text; an unfilled position reads as a blank.
#pragma once

#include <string>

namespace prenos {

class TDateMask {
 public:
  static constexpr int kLength = 8;
  // The blank that stands for an unfilled position while the field is edited.
  static constexpr char kBlankChar = '_';

  explicit TDateMask(char separator);

  char Separator() const { return separator_; }
  static bool IsLiteral(int pos) { return pos == 2 || pos == 5; }
  static bool IsRequired(int pos) { return pos >= 6; }

  // The text as the program reads it: unfilled positions are blanks ("  .  .  ").
  std::string Text() const;
  // The text as shown while editing: unfilled positions are kBlankChar ("__.__.__").
  std::string EditText() const;
  // Takes a text in either form; a position that does not hold a digit becomes unfilled,
  // the separators are the mask's own whatever the text holds there.
  void SetText(const std::string& text);

  // Overwrites the position at or after pos with a typed character and returns the caret
  // position that follows, or -1 when the character is not accepted. A digit goes into
  // the next editable position (separators are skipped); the separator character moves
  // the caret past the next separator, or leaves it where it is right after one.
  int Type(int pos, char c);
  // Unfills the editable positions in [from, to).
  void Clear(int from, int to);
  // The first editable position at or after pos (kLength when there is none).
  static int NextEditable(int pos);
  // The last editable position before pos (-1 when there is none).
  static int PreviousEditable(int pos);

  // Every required position holds a digit.
  bool Complete() const { return FirstMissing() < 0; }
  // The first required position that is unfilled, or -1.
  int FirstMissing() const;

 private:
  char separator_;
  std::string digits_;  // kLength characters: a digit or ' ' at editable positions
};

}  // namespace prenos
