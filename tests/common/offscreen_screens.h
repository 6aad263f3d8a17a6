#pragma once

// The screens of the offscreen platform, changed while the test runs as when a monitor is
// plugged in or out. Needs Qt's platform headers (qt6-base-private-dev); without them, or on
// another platform, available() is false and the tests skip.

#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QRect>
#include <QString>

#ifdef ZUL_OFFSCREEN_SCREENS
#include <qpa/qplatformnativeinterface.h>
#endif

namespace zul::test {

class OffscreenScreens {
public:
    struct Screen {
        QString name;
        QRect geometry;
    };

    OffscreenScreens() {
#ifdef ZUL_OFFSCREEN_SCREENS
        if (QGuiApplication::platformName() != QLatin1String("offscreen")) {
            return;
        }
        QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
        native_ = native;
        get_ = reinterpret_cast<Get>(native->nativeResourceForIntegration("configuration"));
        set_ = reinterpret_cast<Set>(native->nativeResourceForIntegration("setConfiguration"));
        if (get_ != nullptr && set_ != nullptr) {
            original_ = get_(native_);
        }
#endif
    }
    ~OffscreenScreens() {
        if (available()) {
            set_(original_, native_);
        }
    }
    OffscreenScreens(const OffscreenScreens&) = delete;
    OffscreenScreens& operator=(const OffscreenScreens&) = delete;

    bool available() const {
        return set_ != nullptr && !original_.isEmpty();
    }

    // The platform adds screens in the order of their names and removes those that are
    // not named again; the first screen it adds to an empty list is the primary. Name the
    // primary so that it sorts first and keep it in every set.
    void set(const QList<Screen>& screens) {
        QJsonObject config = original_;
        QJsonArray list;
        const QJsonObject model =
            original_.value(QStringLiteral("screens")).toArray().at(0).toObject();
        for (const Screen& s : screens) {
            QJsonObject one = model;
            one[QStringLiteral("name")] = s.name;
            one[QStringLiteral("x")] = s.geometry.x();
            one[QStringLiteral("y")] = s.geometry.y();
            one[QStringLiteral("width")] = s.geometry.width();
            one[QStringLiteral("height")] = s.geometry.height();
            list.append(one);
        }
        config[QStringLiteral("screens")] = list;
        set_(config, native_);
    }

private:
    using Get = QJsonObject (*)(void*);
    using Set = void (*)(const QJsonObject&, void*);
    void* native_ = nullptr;
    Get get_ = nullptr;
    Set set_ = nullptr;
    QJsonObject original_;
};

}  // namespace zul::test
