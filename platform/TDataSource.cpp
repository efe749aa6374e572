#include "platform/TDataSource.h"

TDataSource::TDataSource(TDataSet* dataSet, TComponent* owner)
    : TComponent(owner) {
    attach(dataSet);
}

TDataSource::~TDataSource() {
    detach();
    const auto observers = m_observers;
    for (const auto& e : observers)
        e.observer(TDataEvent::Destroying);
}

void TDataSource::attach(TDataSet* dataSet) {
    m_dataSet = dataSet;
    if (!dataSet)
        return;
    m_dataSetObserver = dataSet->addObserver([this](TDataSet&, TDataEvent event) {
        if (event == TDataEvent::Destroying) {
            // The dataset is going: forget it, and tell the controls its data is gone.
            m_dataSet = nullptr;
            m_dataSetObserver = 0;
            notify(TDataEvent::Closed);
            return;
        }
        notify(event);
    });
}

void TDataSource::detach() {
    if (m_dataSet)
        m_dataSet->removeObserver(m_dataSetObserver);
    m_dataSet = nullptr;
    m_dataSetObserver = 0;
}

int TDataSource::addObserver(Observer observer) {
    const int id = m_nextId++;
    m_observers.push_back({id, std::move(observer)});
    return id;
}

void TDataSource::removeObserver(int id) {
    std::erase_if(m_observers, [id](const Entry& e) { return e.id == id; });
}

void TDataSource::notify(TDataEvent event) {
    const auto observers = m_observers;
    for (const auto& e : observers)
        e.observer(event);
}
