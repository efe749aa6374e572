#pragma once

#include "platform/TControl.h"

#include <memory>

class TBitmap;

// Holds a picture; display only (the grids draw from hidden ones).
class TImage : public TControl {
public:
    explicit TImage(TComponent* owner = nullptr, TWinControl* parent = nullptr);

    bool focusable() const override { return false; }

    const std::shared_ptr<TBitmap>& picture() const { return m_picture; }
    void setPicture(std::shared_ptr<TBitmap> picture);

private:
    std::shared_ptr<TBitmap> m_picture;
};
