#pragma once

// Dialogs for tests: messages are recorded, and file, folder, colour and font dialogs
// answer from queues (an empty queue answers "cancelled").

#include <QList>
#include <QQueue>

#include "platform/dialogs.h"

namespace zul::test {

class RecordingDialogs : public Dialogs {
public:
    struct Message {
        QString text;
        QString title;
    };

    QList<Message> messages;
    // Shown without waiting (no modal loop).
    QList<Message> notices;
    QStringList fileTitles;
    QQueue<QString> files;
    QQueue<QString> folders;
    QQueue<QColor> colours;
    QQueue<QFont> fonts;
    QQueue<bool> answers;
    bool lastFontFixedPitch = false;

    void message(const QString& text, const QString& title, Icon) override {
        messages.append({text, title});
    }
    void notice(const QString& text, const QString& title, Icon) override {
        notices.append({text, title});
    }
    bool ask(const QString& text, const QString& title) override {
        messages.append({text, title});
        return answers.isEmpty() ? false : answers.dequeue();
    }
    QString openFileName(const QString& title, const QString&, const QString&) override {
        fileTitles << title;
        return files.isEmpty() ? QString() : files.dequeue();
    }
    QString saveFileName(const QString& title, const QString&, const QString&) override {
        fileTitles << title;
        return files.isEmpty() ? QString() : files.dequeue();
    }
    QString folder(const QString&, const QString&) override {
        return folders.isEmpty() ? QString() : folders.dequeue();
    }
    std::optional<QColor> color(const QColor&) override {
        if (colours.isEmpty()) {
            return std::nullopt;
        }
        return colours.dequeue();
    }
    std::optional<QFont> font(const QFont&, bool fixedPitchOnly) override {
        lastFontFixedPitch = fixedPitchOnly;
        if (fonts.isEmpty()) {
            return std::nullopt;
        }
        return fonts.dequeue();
    }

    QStringList texts() const {
        QStringList out;
        for (const Message& m : messages) {
            out << m.text;
        }
        return out;
    }
    QString lastText() const { return messages.isEmpty() ? QString() : messages.last().text; }
    QString lastTitle() const { return messages.isEmpty() ? QString() : messages.last().title; }
};

}  // namespace zul::test
