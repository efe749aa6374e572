#pragma once

#include <QByteArray>
#include <QString>

// The secret a client presents in its hello. Only a digest is kept, and presented tokens
// are compared digest to digest in constant time, so neither the length nor the first
// differing character shows in the answer time.
class AccessToken {
public:
    static constexpr int kMinimumLength = 32;

    AccessToken() = default; // none: every client is let in
    explicit AccessToken(const QString& token);

    // The first line of a file, blanks around it dropped, of at least kMinimumLength
    // characters. On failure returns no token and fills `error` with a Portuguese reason.
    static AccessToken fromFile(const QString& path, QString* error);

    bool isRequired() const { return !m_digest.isEmpty(); }
    bool matches(const QString& presented) const;

private:
    static QByteArray digest(const QString& token);

    QByteArray m_digest;
};
