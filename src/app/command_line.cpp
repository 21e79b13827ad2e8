// Reading the command line: one parser per subcommand, so that each takes only its own
// options, and the Slovenian texts of --help.
#include "app/command_line.h"

#include <QCommandLineParser>
#include <QRegularExpression>

#include "controls/qt_text.h"
#include "platform/convert.h"
#include "platform/datetime.h"
#include "prenos_version.h"
#include "transfer/run_texts.h"

namespace prenos {
namespace {

const QString kProgram = QStringLiteral("prenos-knjizb");

// A wrong use's message and where to read the right one: "book: ..." points to book --help.
QString Usage(const QString& text) {
  const qsizetype colon = text.indexOf(QStringLiteral(": "));
  const QString name =
      colon > 0 && !SubcommandHelp(text.left(colon)).isEmpty() ? text.left(colon) + " " : QString();
  return text + QStringLiteral("\nVe\u010D: prenos-knjizb ") + name + QStringLiteral("--help");
}

// Parses the arguments after the subcommand with the given options; --help is everyone's.
void Parse(QCommandLineParser& parser, const QString& name, const QStringList& rest,
           const QList<QCommandLineOption>& options) {
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  parser.addOptions(options);
  parser.addOption(QCommandLineOption(QStringList{"h", "help"}));
  if (parser.parse(QStringList{kProgram + " " + name} + rest)) return;
  // Qt's own messages are English; the usual cases are said in Slovenian.
  const QStringList unknown = parser.unknownOptionNames();
  const QString message =
      !unknown.isEmpty()
          ? QStringLiteral("neznana mo\u017Enost \"") + unknown.front() + "\"."
          : QStringLiteral("napa\u010Dna mo\u017Enost (") + parser.errorText() + ").";
  throw EUsage(Usage(name + ": " + message).toStdString());
}

void ExpectPositional(const QCommandLineParser& parser, const QString& name, int count,
                      const QString& what) {
  const int given = static_cast<int>(parser.positionalArguments().size());
  if (given < count)
    throw EUsage(Usage(name + QStringLiteral(": manjka ") + what + ".").toStdString());
  if (given > count)
    throw EUsage(Usage(name + QStringLiteral(": odve\u010Den argument \"") +
                       parser.positionalArguments().at(count) + "\".")
                     .toStdString());
}

QString Required(const QCommandLineParser& parser, const QString& name, const QString& option) {
  const QString value = parser.value(option).trimmed();
  if (value.isEmpty())
    throw EUsage(Usage(name + QStringLiteral(": manjka --") + option + ".").toStdString());
  return value;
}

int64_t RunArgument(const QString& name, const QString& value) {
  bool ok = false;
  const qlonglong id = value.toLongLong(&ok);
  if (!ok || id <= 0)
    throw EUsage(
        Usage(name + QStringLiteral(": \"") + value +
              QStringLiteral("\" ni \u0161tevilka prenosa (glejte prenos-knjizb history)."))
            .toStdString());
  return id;
}

}  // namespace

std::string DateArgument(const QString& value) {
  static const QRegularExpression iso(QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})$"));
  const QString text = value.trimmed();
  const QString bad =
      QStringLiteral("book: \"") + value + QStringLiteral("\" ni veljaven datum (npr. ");
  if (const QRegularExpressionMatch m = iso.match(text); m.hasMatch()) {
    TDateTime date = 0;
    if (!TryEncodeDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(), date))
      throw EUsage(Usage(bad + "2002-03-15).").toStdString());
    return DateText(date);
  }
  TDateTime date = 0;
  const std::string local = ToCp1250(text);
  if (text.isEmpty() || !TryStrToDate(local, date))
    throw EUsage(Usage(bad + FromCp1250(DateText(EncodeDate(2002, 3, 15))) + " ali 2002-03-15).")
                     .toStdString());
  return local;
}

TCommand ParseCommandLine(const QStringList& arguments) {
  TCommand command;
  const QString first = arguments.value(1);
  const QStringList rest = arguments.mid(2);
  if (first == "-h" || first == "--help" || first == "help") {
    if (!rest.isEmpty() && first == "help")
      command.HelpText = SubcommandHelp(rest.front());
    else
      command.HelpText = ProgramHelp();
    if (command.HelpText.isEmpty())
      throw EUsage(Usage(QStringLiteral("Neznan ukaz \"") + rest.front() + "\".").toStdString());
    return command;
  }
  if (first == "-v" || first == "--version") {
    if (!rest.isEmpty())
      throw EUsage(Usage(QStringLiteral("--version ne sprejme argumentov.")).toStdString());
    command.Kind = TCommand::TKind::Version;
    return command;
  }
  if (SubcommandHelp(first).isEmpty())
    throw EUsage(Usage(first.startsWith('-')
                           ? QStringLiteral("Neznana mo\u017Enost \"") + first + "\"."
                           : QStringLiteral("Neznan ukaz \"") + first + "\".")
                     .toStdString());

  QCommandLineParser parser;
  const QCommandLineOption json("json"), yes("yes");
  if (first == "book") {
    const QCommandLineOption event("event", {}, "KODA"), date("date", {}, "DATUM"),
        clerk("clerk", {}, "KODA"), journal("journal", {}, "KLJUC"), dryRun("dry-run");
    Parse(parser, first, rest, {event, date, clerk, journal, dryRun, yes, json});
    if (!parser.isSet("help")) {
      ExpectPositional(parser, first, 1, QStringLiteral("datoteka knji\u017Eb"));
      command.Kind = TCommand::TKind::Book;
      TBookArgs& b = command.Book;
      b.File = parser.positionalArguments().front();
      b.Event = Required(parser, first, "event");
      b.Clerk = Required(parser, first, "clerk");
      b.DateText = DateArgument(Required(parser, first, "date"));
      if (parser.isSet(journal)) b.Journal = Required(parser, first, "journal");
      b.DryRun = parser.isSet(dryRun);
      b.Yes = parser.isSet(yes);
      b.Json = parser.isSet(json);
    }
  } else if (first == "history") {
    Parse(parser, first, rest, {json});
    if (!parser.isSet("help")) {
      ExpectPositional(parser, first, 0, {});
      command.Kind = TCommand::TKind::History;
      command.Json = parser.isSet(json);
    }
  } else if (first == "undo") {
    Parse(parser, first, rest, {yes});
    if (!parser.isSet("help")) {
      ExpectPositional(parser, first, 1, QStringLiteral("\u0161tevilka prenosa"));
      command.Kind = TCommand::TKind::Undo;
      command.Run = RunArgument(first, parser.positionalArguments().front());
      command.HasRun = true;
      command.Yes = parser.isSet(yes);
    }
  } else {  // errors
    const QCommandLineOption run("run", {}, "PRENOS");
    Parse(parser, first, rest, {run, json});
    if (!parser.isSet("help")) {
      ExpectPositional(parser, first, 0, {});
      command.Kind = TCommand::TKind::Errors;
      if (parser.isSet(run)) {
        command.Run = RunArgument(first, parser.value(run));
        command.HasRun = true;
      }
      command.Json = parser.isSet(json);
    }
  }
  if (parser.isSet("help")) command.HelpText = SubcommandHelp(first);
  return command;
}

QString VersionText() {
  const QString version = QStringLiteral(PRENOS_VERSION);
  return version.isEmpty() ? kProgram : kProgram + " " + version;
}

QString ProgramHelp() {
  return QStringLiteral(
      "Uporaba: prenos-knjizb [UKAZ [MO\u017DNOSTI]]\n"
      "\n"
      "Prenos knji\u017Eb iz datoteke s stalno dol\u017Eino vrstic v glavno knjigo.\n"
      "Brez argumentov odpre okno programa; z ukazom dela brez okna.\n"
      "\n"
      "Ukazi:\n"
      "  book DATOTEKA   knji\u017Ei datoteko (z --dry-run samo poka\u017Ee, kaj bi knji\u017Eil)\n"
      "  history         izpi\u0161e dnevnik prenosov\n"
      "  undo PRENOS     razveljavi knji\u017Een prenos\n"
      "  errors          izpi\u0161e tabelo napak\n"
      "\n"
      "  -h, --help      ta pomo\u010D; prenos-knjizb UKAZ --help opi\u0161e ukaz\n"
      "  -v, --version   razli\u010Dica programa\n"
      "\n"
      "Izhodne kode: 0 opravljeno (knji\u017Eeno ali predogled), 1 ni uspelo (ni\u010D ni\n"
      "knji\u017Eeno), 2 napa\u010Dna uporaba (ni\u010D ni narejeno), 3 zavrnjeno (datoteka je "
      "\u017Ee\n"
      "knji\u017Eena, vrstice prenosa so bile spremenjene, razveljavitev ni potrjena).\n");
}

QString SubcommandHelp(const QString& name) {
  if (name == "book")
    return QStringLiteral(
        "Uporaba: prenos-knjizb book DATOTEKA --event KODA --date DATUM --clerk KODA\n"
        "                            [--journal KLJU\u010C] [--dry-run] [--yes] [--json]\n"
        "\n"
        "Knji\u017Ei datoteko tako kot gumb \"Prenos\" v oknu: vse v eni transakciji (vse ali\n"
        "ni\u010D), s prijavo, shranjeno s prenos-login, in z vrstico v dnevniku prenosov.\n"
        "\n"
        "  --event KODA      poslovni dogodek (npr. KA)\n"
        "  --date DATUM      datum prenosa: kratka oblika datuma (npr. 15.03.2002)\n"
        "                    ali LLLL-MM-DD (2002-03-15)\n"
        "  --clerk KODA      referent\n"
        "  --journal KLJU\u010C   priklju\u010Di na obstoje\u010Do temeljnico (sicer nova "
        "temeljnica)\n"
        "  --dry-run         predogled: ves prenos v transakciji, na koncu preklican;\n"
        "                    izpi\u0161e, kaj bi bilo knji\u017Eeno, v glavni knjigi ne ostane "
        "ni\u010D\n"
        "  --yes             knji\u017Ei tudi datoteko, ki je \u017Ee bila knji\u017Eena\n"
        "  --json            en objekt JSON s klju\u010Di run, outcome, journal,\n"
        "                    first_position, last_position, lines, debit, credit,\n"
        "                    skipped, new_subjects (in file, records, created_header,\n"
        "                    failed_step, failure, booked_before)\n"
        "  -h, --help        ta pomo\u010D\n"
        "\n"
        "Povzetek gre na standardni izhod, sporo\u010Dila na standardni izhod za napake,\n"
        "napredek pa tja samo, kadar je to terminal.\n"
        "Izhodne kode: 0 knji\u017Eeno ali predogled, 1 ni uspelo (ni\u010D ni knji\u017Eeno),\n"
        "2 napa\u010Dna uporaba, 3 datoteka je \u017Ee knji\u017Eena (ponovite z --yes).\n");
  if (name == "history")
    return QStringLiteral(
        "Uporaba: prenos-knjizb history [--json]\n"
        "\n"
        "Izpi\u0161e dnevnik prenosov, najnovej\u0161i prvi: \u0161tevilka prenosa, \u010Das, "
        "datoteka,\n"
        "temeljnica, vrstice, debet, kredit, izid in uporabnik. Prenose, ki jih je\n"
        "prekinil kon\u010Dan program, prej razre\u0161i po glavni knjigi, \u010De je dosegljiva.\n"
        "\n"
        "  --json        seznam objektov JSON (klju\u010Di kot pri book --json)\n"
        "  -h, --help    ta pomo\u010D\n");
  if (name == "undo")
    return QStringLiteral(
        "Uporaba: prenos-knjizb undo PRENOS [--yes]\n"
        "\n"
        "Razveljavi knji\u017Een prenos (\u0161tevilka iz prenos-knjizb history): v eni\n"
        "transakciji izbri\u0161e njegove vrstice in glavo temeljnice, \u010De jo je ustvaril in\n"
        "v njej ni drugih vrstic. Subjekti, ki jih je dodal, ostanejo. \u010Ce so bile vrstice\n"
        "po prenosu spremenjene, ne izbri\u0161e ni\u010Desar.\n"
        "\n"
        "  --yes         brez vpra\u0161anja (sicer vpra\u0161a na terminalu; brez terminala\n"
        "                in brez --yes zavrne)\n"
        "  -h, --help    ta pomo\u010D\n"
        "\n"
        "Izhodne kode: 0 razveljavljeno, 1 ni uspelo, 2 napa\u010Dna uporaba (ni takega\n"
        "prenosa), 3 zavrnjeno (prenos ni knji\u017Een, vrstice so spremenjene, ni potrjeno).\n");
  if (name == "errors")
    return QStringLiteral(
        "Uporaba: prenos-knjizb errors [--run PRENOS] [--json]\n"
        "\n"
        "Izpi\u0161e tabelo napak, najnovej\u0161i zapis prvi: \u010Das, operacija in prva "
        "vrstica\n"
        "napake.\n"
        "\n"
        "  --run PRENOS  samo zapisi, nastali med tem prenosom\n"
        "  --json        seznam objektov JSON s celimi zapisi\n"
        "  -h, --help    ta pomo\u010D\n");
  return {};
}

}  // namespace prenos
