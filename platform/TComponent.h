#pragma once

#include <functional>
#include <QString>
#include <vector>

class TComponent;

// The event type of notifications that carry only their sender.
using TNotifyEvent = std::function<void(TComponent& sender)>;

// Base of every component. A component created with an owner is deleted by that owner, so it
// must be allocated with new; deleting it earlier is allowed and takes it off the owner's list.
class TComponent {
public:
    explicit TComponent(TComponent* owner = nullptr);
    virtual ~TComponent();

    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    const QString& name() const { return m_name; }
    void setName(const QString& name) { m_name = name; }

    TComponent* owner() const { return m_owner; }

    // Owned components in creation order.
    const std::vector<TComponent*>& components() const { return m_components; }
    int componentCount() const { return int(m_components.size()); }

    // Removes a component from this owner's list without deleting it; a nullptr owner
    // then means nobody deletes it.
    void removeComponent(TComponent* component);
    void insertComponent(TComponent* component);

private:
    QString m_name;
    TComponent* m_owner = nullptr;
    std::vector<TComponent*> m_components;
    bool m_destroying = false;
};
