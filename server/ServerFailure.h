#pragma once

#include <exception>
#include <QByteArray>
#include <QString>

// A method's failure: the text goes to the client exactly as given (the screens parse it).
class ServerFailure : public std::exception {
public:
    explicit ServerFailure(QString text)
        : m_text(std::move(text))
        , m_utf8(m_text.toUtf8()) {}

    const QString& text() const { return m_text; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_text;
    QByteArray m_utf8;
};
