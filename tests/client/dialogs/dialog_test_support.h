// Helpers shared by the dialog tests: message boxes recorded instead of shown, the tab
// sequence of a window, and a fresh program state for each test.
#pragma once

#include <QApplication>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <QtTest>
#include <functional>

#include "general/client_state.h"
#include "general/message_box.h"

namespace vkt::client::test {

// Records every message box and answers it with OK.
class MessageLog {
  public:
    MessageLog() {
        SetMessageHook([this](const MessageRequest& request) {
            requests.append(request);
            return static_cast<int>(kAnswerOk);
        });
    }
    ~MessageLog() { SetMessageHook({}); }
    MessageLog(const MessageLog&) = delete;
    MessageLog& operator=(const MessageLog&) = delete;

    // "title|style|text" of each box, in order.
    QStringList Seen() const {
        QStringList seen;
        for (const MessageRequest& r : requests) {
            seen.append(r.title + QLatin1Char('|') + QString::number(r.style) + QLatin1Char('|') +
                        r.text);
        }
        return seen;
    }

    QList<MessageRequest> requests;
};

// The object names of the widgets that Tab visits, starting at first, once round.
inline QStringList TabSequence(QWidget* first) {
    QStringList names;
    QWidget* widget = first;
    do {
        if ((widget->focusPolicy() & Qt::TabFocus) != 0 && widget->isEnabled() &&
            !widget->isHidden()) {
            names.append(widget->objectName());
        }
        widget = widget->nextInFocusChain();
    } while (widget != first && names.size() < 50);
    return names;
}

// Runs action on the modal window that the next exec() opens (a chooser opened by a dialog).
inline void OnNextModal(std::function<void(QWidget*)> action) {
    QTimer::singleShot(0, [action = std::move(action)] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != nullptr) action(modal);
    });
}

// Types text into widget one key at a time, as the keyboard would (any Latin-1 character;
// QTest::keyClicks takes ASCII only).
inline void TypeText(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        const auto key = static_cast<Qt::Key>(c.toUpper().unicode());
        QTest::sendKeyEvent(QTest::Press, widget, key, QString(c), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, widget, key, QString(c), Qt::NoModifier);
    }
}

inline void ResetState() {
    General() = ClientState{};
}

}  // namespace vkt::client::test
