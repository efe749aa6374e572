#include "platform/TCustomEdit.h"

#include <algorithm>

TCustomEdit::TCustomEdit(TComponent* owner, TWinControl* parent)
    : TWinControl(owner, parent) {
    setColor(clWindow);
}

void TCustomEdit::setText(const QString& text) {
    const QString edit = editTextFor(text);
    if (edit == m_editText)
        return;
    setEditText(edit, int(edit.size()), true);
}

void TCustomEdit::clear() {
    setEditText(emptyEditText(), 0, false);
    change();
}

void TCustomEdit::setCharCase(TEditCharCase charCase) {
    m_charCase = charCase;
    const QString converted = editTextFor(text());
    if (converted != m_editText)
        setEditText(converted, int(converted.size()), true);
}

void TCustomEdit::setReadOnly(bool readOnly) {
    if (readOnly == m_readOnly)
        return;
    m_readOnly = readOnly;
    changed();
}

void TCustomEdit::setSelStart(int start) {
    m_selStart = std::clamp(start, 0, int(m_editText.size()));
    m_selLength = 0;
    changed();
}

void TCustomEdit::setSelLength(int length) {
    m_selLength = std::clamp(length, 0, int(m_editText.size()) - m_selStart);
    changed();
}

void TCustomEdit::selectAll() {
    m_selStart = 0;
    m_selLength = int(m_editText.size());
    changed();
}

void TCustomEdit::typeKey(QChar key) {
    if (!enabled())
        return;
    if (OnKeyPress)
        OnKeyPress(*this, key);
    if (key.isNull() || m_readOnly)
        return;
    const QString before = m_editText;
    if (key == QChar(8))
        deleteBackward();
    else if (key.unicode() >= 32 && !insertTyped(convertCase(key)))
        return;
    changed();
    if (m_editText != before)
        change();
}

void TCustomEdit::typeText(const QString& text) {
    for (QChar key : text)
        typeKey(key);
}

void TCustomEdit::keyPress(QChar& key) {
    typeKey(key);
}

void TCustomEdit::doEnter() {
    // Entering a field selects its text, so typing replaces it.
    if (m_autoSelect)
        selectAll();
    TWinControl::doEnter();
}

QString TCustomEdit::editTextFor(const QString& text) const {
    return convertCase(text);
}

bool TCustomEdit::insertTyped(QChar key) {
    QString edit = m_editText;
    edit.replace(m_selStart, m_selLength, key);
    if (m_maxLength > 0 && edit.size() > m_maxLength)
        return false;
    m_editText = edit;
    setCaret(m_selStart + 1);
    return true;
}

void TCustomEdit::deleteBackward() {
    if (m_selLength > 0) {
        m_editText.remove(m_selStart, m_selLength);
        setCaret(m_selStart);
    } else if (m_selStart > 0) {
        m_editText.remove(m_selStart - 1, 1);
        setCaret(m_selStart - 1);
    }
}

QChar TCustomEdit::convertCase(QChar key) const {
    switch (m_charCase) {
    case ecUpperCase:
        return key.toUpper();
    case ecLowerCase:
        return key.toLower();
    case ecNormal:
        break;
    }
    return key;
}

QString TCustomEdit::convertCase(const QString& text) const {
    switch (m_charCase) {
    case ecUpperCase:
        return text.toUpper();
    case ecLowerCase:
        return text.toLower();
    case ecNormal:
        break;
    }
    return text;
}

void TCustomEdit::setEditText(const QString& text, int caret, bool notify) {
    const bool differs = text != m_editText;
    m_editText = text;
    setCaret(caret);
    changed();
    if (notify && differs)
        change();
}

void TCustomEdit::setCaret(int caret) {
    m_selStart = std::clamp(caret, 0, int(m_editText.size()));
    m_selLength = 0;
}

void TCustomEdit::change() {
    if (OnChange)
        OnChange(*this);
}
