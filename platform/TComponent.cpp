#include "platform/TComponent.h"

#include <algorithm>

TComponent::TComponent(TComponent* owner) {
    if (owner)
        owner->insertComponent(this);
}

TComponent::~TComponent() {
    m_destroying = true;
    // Last created first, as the component library frees them.
    while (!m_components.empty()) {
        TComponent* component = m_components.back();
        m_components.pop_back();
        component->m_owner = nullptr;
        delete component;
    }
    if (m_owner)
        m_owner->removeComponent(this);
}

void TComponent::insertComponent(TComponent* component) {
    if (component->m_owner)
        component->m_owner->removeComponent(component);
    component->m_owner = this;
    m_components.push_back(component);
}

void TComponent::removeComponent(TComponent* component) {
    auto it = std::find(m_components.begin(), m_components.end(), component);
    if (it != m_components.end())
        m_components.erase(it);
    if (component->m_owner == this)
        component->m_owner = nullptr;
}
