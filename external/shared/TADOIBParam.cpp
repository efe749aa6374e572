#include "external/shared/TADOIBParam.h"

QVariant TADOIBParam::boundValue() const {
    if (isNull())
        return {};
    if (m_value.typeId() == QMetaType::QString && m_value.toString().isEmpty())
        return {};
    return m_value;
}
