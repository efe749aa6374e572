#include "core/TFieldType.h"

#include <array>
#include <utility>

namespace {
constexpr std::array<std::pair<TFieldType, const char*>, 6> kNames{{
    {TFieldType::ftString, "string"},
    {TFieldType::ftFixedChar, "fixedstring"},
    {TFieldType::ftInteger, "integer"},
    {TFieldType::ftFloat, "float"},
    {TFieldType::ftDate, "date"},
    {TFieldType::ftDateTime, "datetime"},
}};
} // namespace

QString fieldTypeName(TFieldType type) {
    for (const auto& [t, name] : kNames) {
        if (t == type)
            return QString::fromLatin1(name);
    }
    return {};
}

bool fieldTypeFromName(const QString& name, TFieldType* type) {
    for (const auto& [t, n] : kNames) {
        if (name == QLatin1String(n)) {
            *type = t;
            return true;
        }
    }
    return false;
}
