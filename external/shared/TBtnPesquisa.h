#pragma once

#include "platform/TSpeedButton.h"

#include <functional>
#include <QString>

class TDataSource;

// The lookup button beside a code entry. A click fires OnBeforePesq (whose handler prepares
// the dataset behind DataSource and may clear the flag to cancel), opens the dataset when the
// handler left it closed, shows EmptyError when it has no row, and otherwise lists it under
// Title; when the user picks a row, that row is current when OnAfterPesq fires. Like every
// speed button it never takes the focus.
class TBtnPesquisa : public TSpeedButton {
public:
    explicit TBtnPesquisa(TComponent* owner = nullptr, TWinControl* parent = nullptr);

    TControl* Associate() const { return m_associate; }
    void setAssociate(TControl* control) { m_associate = control; }
    const QString& Title() const { return m_title; }
    void setTitle(const QString& title) { m_title = title; }
    TDataSource* DataSource() const { return m_dataSource; }
    void setDataSource(TDataSource* source) { m_dataSource = source; }
    const QString& EmptyError() const { return m_emptyError; }
    void setEmptyError(const QString& text) { m_emptyError = text; }
    // With PesqChave the list opens on the row whose key (first field) equals the text of
    // the associated entry.
    bool PesqChave() const { return m_pesqChave; }
    void setPesqChave(bool on) { m_pesqChave = on; }

    // Runs the lookup; a disabled button ignores the click.
    void click() override;

    std::function<void(TComponent& sender, bool& proceed)> OnBeforePesq;
    TNotifyEvent OnAfterPesq;

private:
    void positionOnKey();

    TControl* m_associate = nullptr;
    QString m_title;
    TDataSource* m_dataSource = nullptr;
    QString m_emptyError;
    bool m_pesqChave = false;
};
