#include "platform/qt/ContainerBinder.h"

#include "platform/qt/ViewStyle.h"
#include "platform/TGroupBox.h"
#include "platform/TPanel.h"

#include <QFrame>
#include <QGroupBox>

namespace qtview {

ContainerBinder::ContainerBinder(FormView& view, TWinControl& container, QWidget* parent)
    : ControlBinder(view, container, createWidget(container, parent)) {}

QWidget* ContainerBinder::createWidget(TWinControl& container, QWidget* parent) {
    if (dynamic_cast<TGroupBox*>(&container))
        return new QGroupBox(parent);
    auto* frame = new QFrame(parent);
    frame->setFrameShape(QFrame::NoFrame);
    return frame;
}

bool ContainerBinder::fillsBackground() const {
    return dynamic_cast<const TPanel*>(&control()) != nullptr;
}

QWidget* ContainerBinder::childParent(const TControl&) const {
    return widget();
}

void ContainerBinder::sync() {
    if (m_placedByParent) {
        // Geometry and visibility belong to the notebook; the rest is mirrored as usual.
        const QRect kept = widget()->geometry();
        const bool shown = widget()->isVisibleTo(widget()->parentWidget());
        ControlBinder::sync();
        widget()->setGeometry(kept);
        widget()->setVisible(shown);
        return;
    }
    ControlBinder::sync();
    if (detached())
        return;
    if (auto* box = qobject_cast<QGroupBox*>(widget())) {
        const QString title =
            ViewStyle::stripAccelerator(static_cast<const TGroupBox&>(control()).caption());
        if (box->title() != title)
            box->setTitle(title);
    }
}

} // namespace qtview
