#pragma once

#include "platform/TWinControl.h"

#include <functional>
#include <QChar>
#include <QString>

enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };

// A single-line text entry. The model keeps the text as displayed (displayText()) with a
// caret and selection; text() is what the program reads, which a masked edit derives from the
// displayed text.
//
// Notifications: setText() fires OnChange only when the displayed text changes; clear() always
// fires it, even on an empty field, so the clearing cascades of the screens run whatever
// state the dependants are in; typing fires it after each key that changed the text.
class TCustomEdit : public TWinControl {
public:
    explicit TCustomEdit(TComponent* owner = nullptr, TWinControl* parent = nullptr);

    virtual QString text() const { return m_editText; }
    // Fires OnChange when the text differs. Case conversion applies; maxLength does not (it
    // limits typing only).
    void setText(const QString& text);
    // Empties the field; fires OnChange.
    void clear();
    // The text as shown, literals and blanks of a mask included.
    const QString& displayText() const { return m_editText; }
    bool isEmptyText() const { return text().trimmed().isEmpty(); }

    int maxLength() const { return m_maxLength; }
    void setMaxLength(int length) { m_maxLength = length; }
    TEditCharCase charCase() const { return m_charCase; }
    // Converts the current text too (firing OnChange when that changes it).
    void setCharCase(TEditCharCase charCase);
    bool readOnly() const { return m_readOnly; }
    void setReadOnly(bool readOnly);
    bool autoSelect() const { return m_autoSelect; }
    void setAutoSelect(bool autoSelect) { m_autoSelect = autoSelect; }

    // Selection, in positions of the displayed text; the caret is selStart when nothing is
    // selected.
    int selStart() const { return m_selStart; }
    int selLength() const { return m_selLength; }
    void setSelStart(int start);
    void setSelLength(int length);
    void selectAll();
    QString selText() const { return m_editText.mid(m_selStart, m_selLength); }

    // A user typing one character: OnKeyPress (which may change it or set it to 0), case
    // conversion, the mask or length filter, insertion at the caret replacing the selection,
    // then OnChange. Backspace (8) deletes the selection or the character before the caret.
    // Nothing happens on a disabled field; a read-only one only runs OnKeyPress.
    void typeKey(QChar key);
    void typeBackspace() { typeKey(QChar(8)); }
    void typeText(const QString& text);

    void keyPress(QChar& key) override;
    void doEnter() override;

    TNotifyEvent OnChange;
    std::function<void(TComponent& sender, QChar& key)> OnKeyPress;

protected:
    // The text changed: fires OnChange. Subclasses that derive state from the text hook here.
    virtual void change();
    // The displayed text for a text given by the program.
    virtual QString editTextFor(const QString& text) const;
    // The displayed text when empty.
    virtual QString emptyEditText() const { return {}; }
    // Puts a typed character at the caret; false when the field refuses it.
    virtual bool insertTyped(QChar key);
    virtual void deleteBackward();

    QChar convertCase(QChar key) const;
    QString convertCase(const QString& text) const;
    // Replaces the displayed text and caret, firing OnChange when the text changed.
    void setEditText(const QString& text, int caret, bool notify);
    QString& editText() { return m_editText; }
    void setCaret(int caret);

private:
    QString m_editText;
    int m_maxLength = 0;
    TEditCharCase m_charCase = ecNormal;
    bool m_readOnly = false;
    bool m_autoSelect = true;
    int m_selStart = 0;
    int m_selLength = 0;
};
