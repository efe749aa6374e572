#include "platform/qt/MessageDialogs.h"

#include "platform/qt/HelpKeyFilter.h"

#include <QApplication>
#include <QPushButton>

namespace qtview {

QString MessageDialogs::title() {
    const QString name = QApplication::applicationDisplayName();
    return name.isEmpty() ? QStringLiteral("Apuração de Faturamento") : name;
}

QMessageBox::Icon MessageDialogs::icon(TMsgDlgType type) {
    switch (type) {
    case TMsgDlgType::mtError:
        return QMessageBox::Critical;
    case TMsgDlgType::mtInformation:
        return QMessageBox::Information;
    case TMsgDlgType::mtConfirmation:
        return QMessageBox::Question;
    case TMsgDlgType::mtWarning:
        return QMessageBox::Warning;
    case TMsgDlgType::mtCustom:
        break;
    }
    return QMessageBox::NoIcon;
}

namespace {
QString objectName(TMsgDlgType type, bool question) {
    if (question)
        return QStringLiteral("zelPergunta");
    return type == TMsgDlgType::mtError ? QStringLiteral("zelErro")
                                        : QStringLiteral("zelInformacao");
}
} // namespace

void MessageDialogs::showMessage(QWidget* parent, const TMessageDialog& dialog,
                                 const std::function<void()>& onHelp) {
    QMessageBox box(icon(dialog.type), title(), dialog.text, QMessageBox::NoButton, parent);
    box.setObjectName(objectName(dialog.type, false));
    new HelpKeyFilter(&box, onHelp);
    QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.exec();
}

bool MessageDialogs::askQuestion(QWidget* parent, const TMessageDialog& dialog,
                                 const std::function<void()>& onHelp) {
    QMessageBox box(icon(dialog.type), title(), dialog.text, QMessageBox::NoButton, parent);
    box.setObjectName(objectName(dialog.type, true));
    new HelpKeyFilter(&box, onHelp);
    QPushButton* yes = box.addButton(dialog.yesCaption, QMessageBox::YesRole);
    QPushButton* no = box.addButton(dialog.noCaption, QMessageBox::NoRole);
    box.setDefaultButton(dialog.defaultButton == 1 ? no : yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

void MessageDialogs::showError(QWidget* parent, const QString& text) {
    TMessageDialog dialog;
    dialog.type = TMsgDlgType::mtError;
    dialog.text = text;
    showMessage(parent, dialog);
}

} // namespace qtview
