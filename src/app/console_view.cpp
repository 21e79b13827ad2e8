// The console's side of a run: progress only for a person watching a terminal, the
// completion box on standard output, every other box on standard error.
#include "app/console_view.h"

#include <unistd.h>

#include <cstdio>

#include "platform/codepage.h"

namespace prenos {

void PrintOut(const std::string& text) {
  std::fputs((Cp1250ToUtf8(text) + "\n").c_str(), stdout);
  std::fflush(stdout);
}

void PrintErr(const std::string& text) {
  std::fputs((Cp1250ToUtf8(text) + "\n").c_str(), stderr);
  std::fflush(stderr);
}

TConsoleView::TConsoleView(TChoices choices, bool quiet)
    : c_(std::move(choices)), quiet_(quiet), terminal_(::isatty(STDERR_FILENO) == 1) {}

void TConsoleView::SetProgress(int position) {
  if (!terminal_ || position == shown_) return;
  shown_ = position;
  std::fprintf(stderr, "\r%3d %%", position);
  if (position >= 100) std::fputc('\n', stderr);
  std::fflush(stderr);
}

void TConsoleView::ShowInformation(const std::string&, const std::string& text) {
  if (!quiet_) PrintOut(text);
}

void TConsoleView::ShowError(const std::string& text) {
  if (terminal_ && shown_ >= 0 && shown_ < 100) std::fputc('\n', stderr);
  PrintErr(text);
}

void TConsoleView::FillPrenos() {
  prenos::FillPrenos(tables_.tbPrenos, tables_.TAscii, c_.FileName);
}

}  // namespace prenos
