#pragma once

#include "platform/TControl.h"

#include <QString>

// A caption beside a field; display only. focusControl is the field its accelerator focuses.
class TLabel : public TControl {
public:
    explicit TLabel(TComponent* owner = nullptr, TWinControl* parent = nullptr);

    bool focusable() const override { return false; }

    const QString& caption() const { return m_caption; }
    void setCaption(const QString& caption);
    TControl* focusControl() const { return m_focusControl; }
    void setFocusControl(TControl* control) { m_focusControl = control; }

private:
    QString m_caption;
    TControl* m_focusControl = nullptr;
};
