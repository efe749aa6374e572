#include "platform/qt/LabelBinder.h"

#include "platform/qt/ViewStyle.h"
#include "platform/TLabel.h"

#include <QFontMetrics>
#include <QLabel>

namespace qtview {

LabelBinder::LabelBinder(FormView& view, TLabel& label, QWidget* parent)
    : ControlBinder(view, label, new QLabel(parent)) {
    this->label()->setTextFormat(Qt::PlainText);
    this->label()->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

QLabel* LabelBinder::label() const {
    return static_cast<QLabel*>(widget());
}

void LabelBinder::sync() {
    ControlBinder::sync();
    if (detached())
        return;
    const auto& model = static_cast<const TLabel&>(control());
    const QString text = ViewStyle::stripAccelerator(model.caption());
    if (label()->text() != text)
        label()->setText(text);
    fitFont(text);
    const QSize needed = label()->sizeHint();
    const QSize size(qMax(model.width(), needed.width()), qMax(model.height(), needed.height()));
    // Grown past its container's edge, it moves back in rather than being cut.
    int left = model.left();
    if (const QWidget* parent = label()->parentWidget();
        parent && left + size.width() > parent->width())
        left = qMax(0, parent->width() - size.width());
    const QRect bounds(QPoint(left, model.top()), size);
    if (label()->geometry() != bounds)
        label()->setGeometry(bounds);
}

void LabelBinder::fitFont(const QString& text) {
    const QWidget* parent = label()->parentWidget();
    if (!parent)
        return;
    // A caption wider than its whole container is set smaller rather than cut.
    QFont font = ViewStyle::font(control().font());
    const int room = parent->width() - 2;
    while (font.pixelSize() > 7 && QFontMetrics(font).horizontalAdvance(text) > room)
        font.setPixelSize(font.pixelSize() - 1);
    if (label()->font() != font)
        label()->setFont(font);
}

} // namespace qtview
