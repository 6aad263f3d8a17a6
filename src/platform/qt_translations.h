#pragma once

// Qt's own texts in Japanese: the buttons and labels of the standard dialogs (open, save,
// folder, colour, font, message boxes) and Qt's error strings come from Qt's translation
// catalogue "qtbase_ja", installed for as long as this object lives.

#include <QString>
#include <QTranslator>

namespace zul {

class QtJapaneseTexts {
public:
    // Loads the catalogue from `folder` (Qt's translations folder when empty) and installs
    // it into the application.
    explicit QtJapaneseTexts(const QString& folder = {});
    ~QtJapaneseTexts();
    QtJapaneseTexts(const QtJapaneseTexts&) = delete;
    QtJapaneseTexts& operator=(const QtJapaneseTexts&) = delete;

    bool installed() const { return installed_; }
    // Where the catalogue was looked for (for the log line when it is missing).
    const QString& folder() const { return folder_; }

private:
    QTranslator translator_;
    QString folder_;
    bool installed_ = false;
};

}  // namespace zul
