#pragma once

#include "platform/TWinControl.h"

#include <QString>

// A plain container with an optional caption.
class TPanel : public TWinControl {
public:
    explicit TPanel(TComponent* owner = nullptr, TWinControl* parent = nullptr);

    const QString& caption() const { return m_caption; }
    void setCaption(const QString& caption);

private:
    QString m_caption;
};
