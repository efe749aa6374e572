#include "platform/TMaskEdit.h"

TMaskEdit::TMaskEdit(TComponent* owner, TWinControl* parent)
    : TCustomEdit(owner, parent) {}

void TMaskEdit::setEditMask(const QString& mask) {
    const QString stored = text();
    m_mask = EditMask(mask);
    setEditText(editTextFor(stored), 0, false);
}

QString TMaskEdit::text() const {
    return m_mask.isEmpty() ? displayText() : m_mask.stored(displayText());
}

QString TMaskEdit::editTextFor(const QString& text) const {
    return m_mask.isEmpty() ? TCustomEdit::editTextFor(text) : m_mask.display(convertCase(text));
}

QString TMaskEdit::emptyEditText() const {
    return m_mask.emptyDisplay();
}

bool TMaskEdit::insertTyped(QChar key) {
    if (m_mask.isEmpty())
        return TCustomEdit::insertTyped(key);
    const int position = m_mask.nextEditable(selStart());
    if (position < 0 || !m_mask.fit(position, key))
        return false;
    QString& edit = editText();
    // A selection is emptied first; the key then overwrites at its start.
    for (int i = selStart(); i < selStart() + selLength(); ++i) {
        if (!m_mask.isLiteral(i))
            edit[i] = m_mask.blank();
    }
    edit[position] = key;
    const int next = m_mask.nextEditable(position + 1);
    setCaret(next < 0 ? m_mask.length() : next);
    return true;
}

void TMaskEdit::deleteBackward() {
    if (m_mask.isEmpty()) {
        TCustomEdit::deleteBackward();
        return;
    }
    QString& edit = editText();
    if (selLength() > 0) {
        for (int i = selStart(); i < selStart() + selLength(); ++i) {
            if (!m_mask.isLiteral(i))
                edit[i] = m_mask.blank();
        }
        setCaret(selStart());
        return;
    }
    const int position = m_mask.previousEditable(selStart() - 1);
    if (position < 0)
        return;
    edit[position] = m_mask.blank();
    setCaret(position);
}
