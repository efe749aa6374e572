#pragma once

// The start and stop bookkeeping of one unit. The counter starts at 0: initialize()
// decrements it and runs the body only on the call that found 0; finalize() increments it
// and runs the body only when it comes back to 0. A unit reached twice (a second load, a
// second package) therefore starts once and stops once, at the last release.
class CountedUnit {
public:
    using Body = void (*)();

    CountedUnit(const char* name, Body initialization, Body finalization);

    const char* name() const { return m_name; }
    void initialize();
    void finalize();
    // 0 when stopped; -n after n initializations not yet finalized.
    int counter() const { return m_counter; }

private:
    const char* m_name;
    Body m_initialization;
    Body m_finalization;
    int m_counter = 0;
};
