#pragma once

#include <QString>

#include <optional>
#include <utility>

namespace protocol {

// The outcome of decoding untrusted bytes: a value, or a short reason for the log.
template <typename T>
class Decoded {
public:
    static Decoded success(T value) {
        Decoded d;
        d.m_value.emplace(std::move(value));
        return d;
    }
    static Decoded failure(QString reason) {
        Decoded d;
        d.m_error = std::move(reason);
        return d;
    }
    // Well-formed input that asks for more than its kind of message may hold.
    static Decoded overLimit(QString reason) {
        Decoded d = failure(std::move(reason));
        d.m_overLimit = true;
        return d;
    }

    bool ok() const { return m_value.has_value(); }
    bool isOverLimit() const { return m_overLimit; }
    const QString& error() const { return m_error; }
    const T& value() const { return *m_value; }
    T& value() { return *m_value; }
    T take() { return std::move(*m_value); }

private:
    Decoded() = default;
    std::optional<T> m_value;
    QString m_error;
    bool m_overLimit = false;
};

} // namespace protocol
