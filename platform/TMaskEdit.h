#pragma once

#include "platform/EditMask.h"
#include "platform/TCustomEdit.h"

// An edit with an optional edit mask (EditMask). With a mask the displayed text always has the
// mask's length, typing overwrites position by position skipping literals, and text() is the
// stored text (literals only when the mask saves them, nothing after the last filled position).
// Without a mask it behaves as a plain edit.
class TMaskEdit : public TCustomEdit {
public:
    explicit TMaskEdit(TComponent* owner = nullptr, TWinControl* parent = nullptr);

    const QString& editMask() const { return m_mask.source(); }
    // Keeps the stored text, shown through the new mask; does not fire OnChange.
    void setEditMask(const QString& mask);
    const EditMask& mask() const { return m_mask; }

    QString text() const override;

protected:
    QString editTextFor(const QString& text) const override;
    QString emptyEditText() const override;
    bool insertTyped(QChar key) override;
    void deleteBackward() override;

private:
    EditMask m_mask;
};
