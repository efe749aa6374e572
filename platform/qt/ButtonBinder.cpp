#include "platform/qt/ButtonBinder.h"

#include "platform/qt/Glyphs.h"
#include "platform/qt/ViewStyle.h"
#include "platform/TForm.h"
#include "platform/TSpeedButton.h"

#include <QFontMetrics>
#include <QToolButton>

namespace qtview {

ButtonBinder::ButtonBinder(FormView& view, TSpeedButton& button, QWidget* parent)
    : ControlBinder(view, button, new QToolButton(parent)) {
    QObject::connect(this->button(), &QToolButton::clicked, this->button(),
                     [this] { post([this] { form().userClick(control()); }); });
}

QToolButton* ButtonBinder::button() const {
    return static_cast<QToolButton*>(widget());
}

void ButtonBinder::sync() {
    ControlBinder::sync();
    if (detached())
        return;
    const auto& model = static_cast<const TSpeedButton&>(control());
    const QIcon icon = Glyphs::icon(model.glyph());
    const QString caption = model.caption();
    // The caption goes under the picture when it fits the button; otherwise the picture
    // alone, with the caption as its tip, rather than a cut word.
    const int textWidth =
        QFontMetrics(button()->font()).horizontalAdvance(ViewStyle::stripAccelerator(caption));
    const bool captionFits = textWidth + 6 <= model.width();
    Qt::ToolButtonStyle style = Qt::ToolButtonTextOnly;
    if (!icon.isNull())
        style = caption.isEmpty() || !captionFits ? Qt::ToolButtonIconOnly
                                                  : Qt::ToolButtonTextUnderIcon;
    if (button()->toolButtonStyle() != style)
        button()->setToolButtonStyle(style);
    if (button()->text() != caption)
        button()->setText(caption);
    // A picture the model took away goes from the widget too.
    if (!icon.isNull() || !button()->icon().isNull())
        button()->setIcon(icon);
    const int side = style == Qt::ToolButtonTextUnderIcon ? 24 : 16;
    button()->setIconSize(QSize(side, side));
    if (style == Qt::ToolButtonIconOnly && model.hint().isEmpty())
        button()->setToolTip(ViewStyle::stripAccelerator(caption));
}

} // namespace qtview
