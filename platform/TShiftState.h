#pragma once

// Modifier keys held during a key or mouse event.
struct TShiftState {
    bool shift = false;
    bool ctrl = false;
    bool alt = false;

    bool operator==(const TShiftState&) const = default;
};

// Key codes the screens test.
constexpr int VK_TAB = 9;
constexpr int VK_RETURN = 13;
constexpr int VK_ESCAPE = 27;
constexpr int VK_SPACE = 32;
constexpr int VK_LEFT = 37;
constexpr int VK_UP = 38;
constexpr int VK_RIGHT = 39;
constexpr int VK_DOWN = 40;
constexpr int VK_PRIOR = 33; // Page Up
constexpr int VK_NEXT = 34;  // Page Down
constexpr int VK_END = 35;
constexpr int VK_HOME = 36;
constexpr int VK_F1 = 112;
