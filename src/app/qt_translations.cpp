// Loads Qt's Slovenian catalogue from Qt's translations folder.
#include "app/qt_translations.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <memory>

namespace prenos {
namespace {

// Qt's Slovenian catalogue is the older single catalogue "qt_sl": it translates the
// standard buttons under the context of the button box, while Qt 6 asks for them under
// the platform theme's context. Such a look-up falls back to the button box's text, so
// "OK", "Cancel", "Yes" and "No" are translated too.
class TSlovenianQt : public QTranslator {
 public:
  using QTranslator::QTranslator;
  QString translate(const char* context, const char* sourceText,
                    const char* disambiguation = nullptr, int n = -1) const override {
    QString text = QTranslator::translate(context, sourceText, disambiguation, n);
    if (text.isEmpty() && context && qstrcmp(context, "QPlatformTheme") == 0)
      text = QTranslator::translate("QDialogButtonBox", sourceText, disambiguation, n);
    return text;
  }
};

}  // namespace

bool InstallQtTranslations(QCoreApplication& app) {
  auto translator = std::make_unique<TSlovenianQt>();
  // "qt_sl" is either the whole catalogue or, in newer packages, a small one that loads
  // "qtbase_sl" and the others beside it.
  if (!translator->load(QLocale(QLocale::Slovenian, QLocale::Slovenia), QStringLiteral("qt"),
                        QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    return false;
  // The application owns the translator (a child object), so it lives as long as the texts.
  translator->setParent(&app);
  return QCoreApplication::installTranslator(translator.release());
}

}  // namespace prenos
