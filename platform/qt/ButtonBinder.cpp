#include "platform/qt/ButtonBinder.h"

#include "external/shared/TBtnPesquisa.h"
#include "platform/qt/Glyphs.h"
#include "platform/qt/ViewStyle.h"
#include "platform/TButtonFlat.h"
#include "platform/TForm.h"

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

QIcon ButtonBinder::iconFor(const TSpeedButton& model) const {
    if (!model.glyph().isEmpty())
        return Glyphs::icon(model.glyph());
    if (dynamic_cast<const TBtnPesquisa*>(&model))
        return Glyphs::icon(QStringLiteral("pesquisar"));
    if (dynamic_cast<const TButtonFlat*>(&model) &&
        model.name().contains(QLatin1String("Confirma")))
        return Glyphs::icon(QStringLiteral("confirmar"));
    return {};
}

void ButtonBinder::sync() {
    ControlBinder::sync();
    if (detached())
        return;
    const auto& model = static_cast<const TSpeedButton&>(control());
    const QIcon icon = iconFor(model);
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
    if (!icon.isNull())
        button()->setIcon(icon);
    const int side = style == Qt::ToolButtonTextUnderIcon ? 24 : 16;
    button()->setIconSize(QSize(side, side));
    if (style == Qt::ToolButtonIconOnly && model.hint().isEmpty())
        button()->setToolTip(ViewStyle::stripAccelerator(caption));
}

} // namespace qtview
