// Parses the program's arguments with QCommandLineParser and answers --help and --version.
#include "app/command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

#include "prenos_version.h"

namespace prenos {
namespace {

// The help text is our own, in Slovenian; the parser's generated one would mix in English.
constexpr const char* kHelp =
    "Uporaba: prenos-knjizb [mo\u017Enosti]\n"
    "\n"
    "Prenos knji\u017Eb: knji\u017Ei datoteko knji\u017Eb s stalnimi mesti polj v glavno knjigo.\n"
    "Brez argumentov odpre okno programa.\n"
    "\n"
    "Mo\u017Enosti:\n"
    "  -h, --help      izpi\u0161e to pomo\u010D\n"
    "  -v, --version   izpi\u0161e razli\u010Dico programa\n"
    "\n"
    "Izhodne kode: 0 opravljeno, 2 napa\u010Dna uporaba.\n";

void Print(std::FILE* stream, const QString& text) {
  const QByteArray bytes = text.toUtf8();
  std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
}

int WrongUse(const QString& message) {
  Print(stderr, QStringLiteral("prenos-knjizb: %1\nPomo\u010D: prenos-knjizb --help\n").arg(message));
  return kExitWrongUse;
}

}  // namespace

bool HasCommandLine(int argc, char* argv[]) {
  (void)argv;
  return argc > 1;
}

int RunCommandLine(int argc, char* argv[]) {
  // No window and no display: a core application is enough.
  QCoreApplication app(argc, argv);
  QCommandLineParser parser;
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
  const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")}, QString());
  parser.addOption(help);
  parser.addOption(version);
  if (!parser.parse(QCoreApplication::arguments())) {
    const QStringList unknown = parser.unknownOptionNames();
    if (unknown.isEmpty()) return WrongUse(parser.errorText());
    const QString& name = unknown.first();
    return WrongUse(QStringLiteral("neznana mo\u017Enost \u00BB%1%2\u00AB").arg(name.size() == 1 ? "-" : "--", name));
  }
  if (parser.isSet(help)) {
    Print(stdout, QString::fromUtf8(kHelp));
    return kExitDone;
  }
  if (parser.isSet(version)) {
    Print(stdout, QStringLiteral("prenos-knjizb %1\n").arg(QStringLiteral(PRENOS_VERSION)));
    return kExitDone;
  }
  if (!parser.positionalArguments().isEmpty())
    return WrongUse(QStringLiteral("neznan ukaz \u00BB%1\u00AB").arg(parser.positionalArguments().first()));
  return WrongUse(QStringLiteral("ni ukaza"));
}

}  // namespace prenos
