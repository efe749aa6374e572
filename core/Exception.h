#pragma once

#include <exception>
#include <QByteArray>
#include <QString>

// The platform's general failure: a message for the user, in Portuguese. what() gives it as
// UTF-8 so that code written against std::exception still reads the accented text intact.
class Exception : public std::exception {
public:
    explicit Exception(const QString& message);

    const QString& message() const { return m_message; }
    const char* what() const noexcept override;

private:
    QString m_message;
    QByteArray m_utf8;
};
