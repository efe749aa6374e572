#pragma once

// The wait animation over the main window for the length of a scope: shown on construction,
// hidden on destruction whatever ends the scope, or earlier by hide().
class WaitAnimation {
public:
    // Kinds: 0 connecting, 1 computation and order number, 6 loading.
    explicit WaitAnimation(int kind);
    ~WaitAnimation();
    WaitAnimation(const WaitAnimation&) = delete;
    WaitAnimation& operator=(const WaitAnimation&) = delete;

    void hide();
    // Shows it again after hide().
    void show();

private:
    int m_kind;
    bool m_shown = true;
};
