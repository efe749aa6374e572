#include "platform/qt/CheckBoxBinder.h"

#include "platform/qt/ViewStyle.h"
#include "platform/TCheckBox.h"
#include "platform/TForm.h"

#include <QCheckBox>
#include <QMouseEvent>

namespace qtview {

CheckBoxBinder::CheckBoxBinder(FormView& view, TCheckBox& box, QWidget* parent)
    : ControlBinder(view, box, new QCheckBox(parent)) {}

QCheckBox* CheckBoxBinder::box() const {
    return static_cast<QCheckBox*>(widget());
}

void CheckBoxBinder::sync() {
    ControlBinder::sync();
    if (detached())
        return;
    const auto& model = static_cast<const TCheckBox&>(control());
    const QString text = ViewStyle::stripAccelerator(model.caption());
    if (box()->text() != text)
        box()->setText(text);
    if (box()->isChecked() != model.checked())
        box()->setChecked(model.checked());
}

bool CheckBoxBinder::mousePress(QWidget*, QMouseEvent& event) {
    // The box never toggles itself: the model's click does, after the focus arrived.
    if (event.button() == Qt::LeftButton && event.type() == QEvent::MouseButtonPress)
        post([this] { form().userClick(control()); });
    return true;
}

} // namespace qtview
