#include "platform/qt/DecorBinder.h"

#include "platform/qt/ViewStyle.h"
#include "platform/TAnimate.h"
#include "platform/TBevel.h"
#include "platform/TCheckImages.h"
#include "platform/TImage.h"

#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>

namespace qtview {

DecorBinder::DecorBinder(FormView& view, TControl& control, QWidget* parent)
    : ControlBinder(view, control, createWidget(control, parent)) {}

QWidget* DecorBinder::createWidget(TControl& control, QWidget* parent) {
    if (dynamic_cast<TImage*>(&control))
        return new QLabel(parent);
    if (dynamic_cast<TAnimate*>(&control)) {
        auto* bar = new QProgressBar(parent);
        bar->setTextVisible(false);
        return bar;
    }
    auto* frame = new QFrame(parent);
    // The screens' bevels are separating lines along their top edge.
    if (dynamic_cast<TBevel*>(&control))
        frame->setStyleSheet(
            QStringLiteral("QFrame { border: none; border-top: 1px solid #a0a0a0; }"));
    return frame;
}

void DecorBinder::sync() {
    ControlBinder::sync();
    if (detached())
        return;
    if (const auto* image = dynamic_cast<const TImage*>(&control())) {
        const TBitmap* picture = image->picture().get();
        if (picture != m_shownPicture) {
            m_shownPicture = picture;
            QImage shown = picture ? ViewStyle::image(*picture) : QImage();
            if (!shown.isNull()) {
                shown = shown.convertToFormat(QImage::Format_ARGB32);
                const QRgb transparent = 0xff000000u | TCheckImages::transparentColor;
                for (int y = 0; y < shown.height(); ++y) {
                    for (int x = 0; x < shown.width(); ++x) {
                        if (shown.pixel(x, y) == transparent)
                            shown.setPixel(x, y, 0);
                    }
                }
            }
            static_cast<QLabel*>(widget())->setPixmap(QPixmap::fromImage(shown));
        }
    } else if (const auto* animation = dynamic_cast<const TAnimate*>(&control())) {
        auto* bar = static_cast<QProgressBar*>(widget());
        // A busy bar moves while the animation runs.
        bar->setRange(0, animation->active() ? 0 : 1);
    }
}

} // namespace qtview
