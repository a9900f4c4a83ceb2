// Typing filters: a key-press filter for typed characters, and a check of every user edit for
// text that bypassed the keys (paste, drop, input method).
#include "windows/typing_filters.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>

#include "general/text_encoding.h"

namespace vkt::client {
namespace {

bool IsDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Text of a key that inserts characters: printable only (Backspace, Tab, Enter, Escape and
// shortcut keys carry control characters or nothing).
bool InsertsCharacters(const QString& text) {
    if (text.isEmpty()) return false;
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) return false;
    }
    return true;
}

class TypingFilter : public QObject {
  public:
    TypingFilter(QLineEdit* edit, TypingRule rule) : QObject(edit), edit_(edit), rule_(rule) {
        last_ = edit->text();
        edit->installEventFilter(this);
        // The box's text itself, not the signal's copy: a fix-up made inside textEdited is
        // followed by the textChanged of the text before the fix-up.
        QObject::connect(edit, &QLineEdit::textChanged, this, [this] { last_ = edit_->text(); });
        QObject::connect(edit, &QLineEdit::textEdited, this,
                         [this](const QString& text) { CheckEdit(text); });
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != edit_ || event->type() != QEvent::KeyPress) return false;
        auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        if (!InsertsCharacters(text)) return false;
        const QString filtered = FilterTyped(text, rule_);
        if (filtered == text) return false;
        if (rule_ == TypingRule::Digits) {
            QApplication::beep();
            return true;
        }
        // Deliver the same key with the upper-case text, so the box's own handling (overwrite
        // mode, maximum length, selection) applies unchanged.
        QKeyEvent upper(QEvent::KeyPress, key->key(), key->modifiers(), filtered,
                        key->isAutoRepeat(), key->count());
        QApplication::sendEvent(edit_, &upper);
        return true;
    }

  private:
    // The part of text that the edit inserted: what lies between the common prefix and the
    // common suffix of the old and the new text.
    void CheckEdit(const QString& text) {
        const QString old = last_;
        qsizetype prefix = 0;
        const qsizetype shorter = qMin(old.size(), text.size());
        while (prefix < shorter && old[prefix] == text[prefix]) ++prefix;
        qsizetype suffix = 0;
        while (suffix < shorter - prefix &&
               old[old.size() - 1 - suffix] == text[text.size() - 1 - suffix]) {
            ++suffix;
        }
        const QString inserted = text.mid(prefix, text.size() - prefix - suffix);
        const QString filtered = FilterTyped(inserted, rule_);
        if (filtered == inserted) return;
        if (rule_ == TypingRule::Digits) QApplication::beep();
        const QString fixed = text.left(prefix) + filtered + text.right(suffix);
        edit_->setText(fixed);
        edit_->setCursorPosition(static_cast<int>(prefix + filtered.size()));
    }

    QPointer<QLineEdit> edit_;
    TypingRule rule_;
    QString last_;
};

}  // namespace

QString FilterTyped(const QString& inserted, TypingRule rule) {
    if (rule == TypingRule::UpperCase) return UpperCase8Bit(inserted);
    QString digits;
    for (const QChar c : inserted) {
        if (IsDigit(c)) digits.append(c);
    }
    return digits;
}

void InstallTypingFilter(QLineEdit* edit, TypingRule rule) {
    new TypingFilter(edit, rule);
}

}  // namespace vkt::client
