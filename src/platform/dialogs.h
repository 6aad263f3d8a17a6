#pragma once

// Message boxes and standard dialogs behind one small interface, so the program shows
// real Qt dialogs while tests answer them without blocking.

#include <QColor>
#include <QFont>
#include <QPointer>
#include <QScopeGuard>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>
#include <utility>

namespace zul {

class Dialogs {
public:
    enum class Icon { None, Information, Warning, Error, Question };

    virtual ~Dialogs() = default;
    virtual void message(const QString& text, const QString& title, Icon icon = Icon::None) = 0;
    // The same message without waiting for it to be closed: no modal loop runs, the caller
    // goes on at once.
    virtual void notice(const QString& text, const QString& title, Icon icon = Icon::None) = 0;
    // Yes / no question; true for yes.
    virtual bool ask(const QString& text, const QString& title) = 0;
    // File dialogs take the filter in the form "Name(*.x)|*.x|All(*.*)|*.*" and return an
    // empty string when cancelled.
    virtual QString openFileName(const QString& title, const QString& filter,
                                 const QString& startDir = {}) = 0;
    virtual QString saveFileName(const QString& title, const QString& filter,
                                 const QString& startDir = {}) = 0;
    virtual QString folder(const QString& title, const QString& startDir = {}) = 0;
    virtual std::optional<QColor> color(const QColor& initial) = 0;
    // Font dialog with `initial` preselected (an alias name as the font it stands for, and
    // kept when that font is chosen); `fixedPitchOnly` offers the fixed-pitch families,
    // the dual-width Japanese ones among them.
    virtual std::optional<QFont> font(const QFont& initial, bool fixedPitchOnly) = 0;
};

// "Name(*.x)|*.x|All(*.*)|*.*" -> "Name(*.x) (*.x);;All(*.*) (*.*)"
QString toQtFilter(const QString& filter);

// The real dialogs, parented to `parent` when it is alive.
class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }

    void message(const QString& text, const QString& title, Icon icon) override;
    void notice(const QString& text, const QString& title, Icon icon) override;
    bool ask(const QString& text, const QString& title) override;
    QString openFileName(const QString& title, const QString& filter,
                         const QString& startDir) override;
    QString saveFileName(const QString& title, const QString& filter,
                         const QString& startDir) override;
    QString folder(const QString& title, const QString& startDir) override;
    std::optional<QColor> color(const QColor& initial) override;
    std::optional<QFont> font(const QFont& initial, bool fixedPitchOnly) override;

private:
    QPointer<QWidget> parent_;
};

}  // namespace zul

namespace zul {

// Forwards to another Dialogs that can be replaced at run time (tests answer dialogs of a
// running program this way). Once silenced (the program is ending), nothing opens any more:
// messages and questions go to the silenced handler instead, questions answer no and every
// picker answers "cancelled", so no modal loop can hold up the exit.
//
// Work run through withoutWaiting() (what a packet sets off while it is being executed)
// opens no modal box either: its messages are shown as notices and handed to the notice
// log, its questions too, answered no.
class DialogsRelay : public Dialogs {
public:
    using Silenced = std::function<void(const QString& text, const QString& title)>;

    explicit DialogsRelay(Dialogs* target) : target_(target) {}
    void setTarget(Dialogs* target) { target_ = target; }
    void silence(Silenced silenced) { silenced_ = std::move(silenced); }
    bool silenced() const { return static_cast<bool>(silenced_); }
    void setNoticeLog(Silenced log) { noticeLog_ = std::move(log); }

    template <typename Work>
    void withoutWaiting(Work&& work) {
        ++noWait_;
        const auto restore = qScopeGuard([this] { --noWait_; });
        std::forward<Work>(work)();
    }
    bool waitingAllowed() const { return noWait_ == 0; }

    void message(const QString& text, const QString& title, Icon icon) override {
        if (silenced_) {
            silenced_(text, title);
            return;
        }
        if (!waitingAllowed()) {
            notice(text, title, icon);
            return;
        }
        target_->message(text, title, icon);
    }
    void notice(const QString& text, const QString& title, Icon icon) override {
        if (silenced_) {
            silenced_(text, title);
            return;
        }
        if (noticeLog_) {
            noticeLog_(text, title);
        }
        target_->notice(text, title, icon);
    }
    bool ask(const QString& text, const QString& title) override {
        if (silenced_) {
            silenced_(text, title);
            return false;
        }
        if (!waitingAllowed()) {
            notice(text, title, Icon::Question);
            return false;
        }
        return target_->ask(text, title);
    }
    QString openFileName(const QString& title, const QString& filter,
                         const QString& startDir) override {
        return silenced_ ? QString() : target_->openFileName(title, filter, startDir);
    }
    QString saveFileName(const QString& title, const QString& filter,
                         const QString& startDir) override {
        return silenced_ ? QString() : target_->saveFileName(title, filter, startDir);
    }
    QString folder(const QString& title, const QString& startDir) override {
        return silenced_ ? QString() : target_->folder(title, startDir);
    }
    std::optional<QColor> color(const QColor& initial) override {
        if (silenced_) {
            return std::nullopt;
        }
        return target_->color(initial);
    }
    std::optional<QFont> font(const QFont& initial, bool fixedPitchOnly) override {
        if (silenced_) {
            return std::nullopt;
        }
        return target_->font(initial, fixedPitchOnly);
    }

private:
    Dialogs* target_;
    Silenced silenced_;
    Silenced noticeLog_;
    int noWait_ = 0;
};

}  // namespace zul
