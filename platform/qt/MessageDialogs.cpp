#include "platform/qt/MessageDialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace qtview {

QString MessageDialogs::title() {
    const QString name = QApplication::applicationDisplayName();
    return name.isEmpty() ? QStringLiteral("Apuração de Faturamento") : name;
}

namespace {
void showMessage(QWidget* parent, QMessageBox::Icon icon, const QString& text) {
    QMessageBox box(icon, MessageDialogs::title(), text, QMessageBox::NoButton, parent);
    box.setObjectName(icon == QMessageBox::Critical ? QStringLiteral("zelErro")
                                                    : QStringLiteral("zelInformacao"));
    QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.exec();
}
} // namespace

void MessageDialogs::showError(QWidget* parent, const QString& text) {
    showMessage(parent, QMessageBox::Critical, text);
}

void MessageDialogs::showInformation(QWidget* parent, const QString& text) {
    showMessage(parent, QMessageBox::Information, text);
}

bool MessageDialogs::askYesNo(QWidget* parent, const QString& text, const QString& yesCaption,
                              const QString& noCaption) {
    QMessageBox box(QMessageBox::Question, title(), text, QMessageBox::NoButton, parent);
    box.setObjectName(QStringLiteral("zelPergunta"));
    QPushButton* yes = box.addButton(yesCaption, QMessageBox::YesRole);
    QPushButton* no = box.addButton(noCaption, QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

} // namespace qtview
