// Real QMessageBox boxes with the icon and buttons of the style, Spanish button texts, and
// accessible names; or the test hook.
#include "general/message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <utility>

namespace vkt::client {
namespace {

MessageHook& Hook() {
    static MessageHook hook;
    return hook;
}

QMessageBox::Icon IconOf(int style) {
    switch (style & 0x70) {
        case kCritical:
            return QMessageBox::Critical;
        case kQuestion:
            return QMessageBox::Question;
        case kExclamation:
            return QMessageBox::Warning;
        case kInformation:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

}  // namespace

QString ProductName() {
    return QStringLiteral("VKT");
}

void SetMessageHook(MessageHook hook) {
    Hook() = std::move(hook);
}

int MsgBox(const QString& text, int style, const QString& title) {
    MessageRequest request{text, style, title.isEmpty() ? ProductName() : title};
    if (Hook()) return Hook()(request);

    QMessageBox box(IconOf(style), request.title, text, QMessageBox::NoButton,
                    QApplication::activeWindow());
    box.setObjectName(QStringLiteral("MsgBox"));
    QPushButton* escape = nullptr;
    int defaultAnswer = kAnswerOk;
    switch (style & 0x0F) {
        case kOkCancel: {
            QPushButton* ok = box.addButton(QStringLiteral("Aceptar"), QMessageBox::AcceptRole);
            escape = box.addButton(QStringLiteral("Cancelar"), QMessageBox::RejectRole);
            box.setDefaultButton(ok);
            ok->setProperty("vktAnswer", kAnswerOk);
            escape->setProperty("vktAnswer", kAnswerCancel);
            defaultAnswer = kAnswerCancel;
            break;
        }
        case kYesNo: {
            QPushButton* yes = box.addButton(QString::fromUtf8("Sí"), QMessageBox::YesRole);
            escape = box.addButton(QStringLiteral("No"), QMessageBox::NoRole);
            box.setDefaultButton(yes);
            yes->setProperty("vktAnswer", kAnswerYes);
            escape->setProperty("vktAnswer", kAnswerNo);
            defaultAnswer = kAnswerNo;
            break;
        }
        default: {
            QPushButton* ok = box.addButton(QStringLiteral("Aceptar"), QMessageBox::AcceptRole);
            box.setDefaultButton(ok);
            ok->setProperty("vktAnswer", kAnswerOk);
            escape = ok;
            break;
        }
    }
    box.setEscapeButton(escape);
    box.exec();
    const QAbstractButton* clicked = box.clickedButton();
    return clicked != nullptr ? clicked->property("vktAnswer").toInt() : defaultAnswer;
}

}  // namespace vkt::client
