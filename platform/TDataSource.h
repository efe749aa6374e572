#pragma once

#include "platform/TComponent.h"
#include "platform/TDataSet.h"

#include <functional>
#include <vector>

// Points data-aware controls at a dataset and passes its notifications on, so a control
// can be re-pointed by changing the source's dataset. Forgets a dataset that is destroyed.
class TDataSource : public TComponent {
public:
    using Observer = std::function<void(TDataEvent)>;

    explicit TDataSource(TDataSet* dataSet = nullptr, TComponent* owner = nullptr);
    ~TDataSource() override;

    TDataSet* dataSet() const { return m_dataSet; }

    // Observers hear the dataset's events, DataChanged when the dataset is replaced, and
    // Destroying when this source goes away.
    int addObserver(Observer observer);
    void removeObserver(int id);

private:
    void attach(TDataSet* dataSet);
    void detach();
    void notify(TDataEvent event);

    TDataSet* m_dataSet = nullptr;
    int m_dataSetObserver = 0;
    struct Entry {
        int id;
        Observer observer;
    };
    std::vector<Entry> m_observers;
    int m_nextId = 1;
};
