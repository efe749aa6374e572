#pragma once

#include "platform/TButtonGlyph.h"
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
    // The picture on the button; whoever creates the button chooses it.
    TButtonGlyph glyph() const { return m_glyph; }
    void setGlyph(TButtonGlyph glyph);

private:
    QString m_caption;
    TButtonGlyph m_glyph = TButtonGlyph::bgNone;
};
