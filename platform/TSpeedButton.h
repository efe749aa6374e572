#pragma once

#include "platform/TControl.h"

#include <QString>

// A flat button that never takes the focus: clicking it leaves the active control where it
// was, which is what the confirmations read. A disabled button ignores clicks.
class TSpeedButton : public TControl {
public:
    explicit TSpeedButton(TComponent* owner = nullptr, TWinControl* parent = nullptr);

    bool focusable() const override { return false; }

    const QString& caption() const { return m_caption; }
    void setCaption(const QString& caption);
    // Name of the picture drawn on the button; the view resolves it.
    const QString& glyph() const { return m_glyph; }
    void setGlyph(const QString& glyph);

private:
    QString m_caption;
    QString m_glyph;
};
