#include "Pkg_Zel00100/CountedUnit.h"

CountedUnit::CountedUnit(const char* name, Body initialization, Body finalization)
    : m_name(name)
    , m_initialization(initialization)
    , m_finalization(finalization) {}

void CountedUnit::initialize() {
    if (m_counter-- == 0 && m_initialization)
        m_initialization();
}

void CountedUnit::finalize() {
    // A finalization without a matching initialization would drive the counter above 0
    // and make the next start skip its body; it is ignored instead.
    if (m_counter == 0)
        return;
    if (++m_counter == 0 && m_finalization)
        m_finalization();
}
