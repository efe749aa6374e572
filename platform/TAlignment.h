#pragma once

// Horizontal alignment of a text inside its cell or control.
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
