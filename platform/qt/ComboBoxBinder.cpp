#include "platform/qt/ComboBoxBinder.h"

#include "platform/qt/KeyInput.h"
#include "platform/TApplication.h"
#include "platform/TComboBox.h"
#include "platform/TForm.h"

#include <QComboBox>
#include <QSignalBlocker>

namespace qtview {

ComboBoxBinder::ComboBoxBinder(FormView& view, TComboBox& combo, QWidget* parent)
    : ControlBinder(view, combo, new QComboBox(parent)) {
    QObject::connect(this->combo(), &QComboBox::activated, this->combo(), [this](int index) {
        post([this, index] {
            Application().runUserAction([this, index] { model().selectItem(index); });
        });
        // Until the model answers, the box shows what the model has.
        sync();
    });
}

QComboBox* ComboBoxBinder::combo() const {
    return static_cast<QComboBox*>(widget());
}

TComboBox& ComboBoxBinder::model() const {
    return static_cast<TComboBox&>(control());
}

void ComboBoxBinder::sync() {
    ControlBinder::sync();
    if (detached())
        return;
    QSignalBlocker block(combo());
    QStringList shown;
    for (int i = 0; i < combo()->count(); ++i)
        shown << combo()->itemText(i);
    if (shown != model().items()) {
        combo()->clear();
        combo()->addItems(model().items());
    }
    if (combo()->currentIndex() != model().itemIndex())
        combo()->setCurrentIndex(model().itemIndex());
}

void ComboBoxBinder::key(const KeyInput& input) {
    const bool alt = input.modifiers.testFlag(Qt::AltModifier);
    if (input.key == Qt::Key_F4 ||
        (alt && (input.key == Qt::Key_Down || input.key == Qt::Key_Up))) {
        combo()->showPopup();
        return;
    }
    ControlBinder::key(input);
}

void ComboBoxBinder::focusedByClick(QWidget*, const QPoint&) {
    combo()->showPopup();
}

} // namespace qtview
