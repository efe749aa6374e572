#pragma once

// The picture a button shows. The model names it; the view only draws what it is told, so a
// button's look never depends on its class or its name.
enum class TButtonGlyph { bgNone, bgLookup, bgConfirm, bgCancel };
