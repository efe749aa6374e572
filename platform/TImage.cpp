#include "platform/TImage.h"

TImage::TImage(TComponent* owner, TWinControl* parent)
    : TControl(owner, parent) {}

void TImage::setPicture(std::shared_ptr<TBitmap> picture) {
    m_picture = std::move(picture);
    changed();
}
