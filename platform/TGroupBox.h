#pragma once

#include "platform/TWinControl.h"

#include <QString>

// A framed container with a caption.
class TGroupBox : public TWinControl {
public:
    explicit TGroupBox(TComponent* owner = nullptr, TWinControl* parent = nullptr);

    const QString& caption() const { return m_caption; }
    void setCaption(const QString& caption);

private:
    QString m_caption;
};
