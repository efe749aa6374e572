#include "bench/QueryClock.h"

#include "bench/PaintWatch.h"
#include "external/shared/TADOIBQuery.h"
#include "platform/TComponent.h"

int QueryClock::attach(TComponent& owner) {
    int wrapped = 0;
    for (TComponent* component : owner.components()) {
        wrapped += attach(*component);
        auto* query = dynamic_cast<TADOIBQuery*>(component);
        if (!query)
            continue;
        // The screen's own handler first (it sets the parameters), then the clock.
        query->BeforeOpen = [this, before = query->BeforeOpen](TDataSet& data) {
            if (before)
                before(data);
            m_started = PaintWatch::now();
        };
        query->AfterOpen = [this, after = query->AfterOpen](TDataSet& data) {
            m_total += PaintWatch::now() - m_started;
            if (after)
                after(data);
        };
        ++wrapped;
    }
    return wrapped;
}
