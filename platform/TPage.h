#pragma once

#include "platform/TWinControl.h"

#include <QString>

// One page of a notebook; its caption is the page's name.
class TPage : public TWinControl {
public:
    explicit TPage(TComponent* owner = nullptr, TWinControl* parent = nullptr);

    const QString& caption() const { return m_caption; }
    void setCaption(const QString& caption);

private:
    QString m_caption;
};
