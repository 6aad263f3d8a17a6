#include "platform/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>

namespace zul {

QtJapaneseTexts::QtJapaneseTexts(const QString& folder)
    : folder_(folder.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : folder) {
    // The program speaks Japanese whatever the locale of the session says.
    installed_ = translator_.load(QStringLiteral("qtbase_ja"), folder_) &&
                 QCoreApplication::installTranslator(&translator_);
}

QtJapaneseTexts::~QtJapaneseTexts() {
    if (installed_) {
        QCoreApplication::removeTranslator(&translator_);
    }
}

}  // namespace zul
