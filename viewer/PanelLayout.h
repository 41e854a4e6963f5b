#pragma once
// Where the first n panels go in a client area: rows first, or columns first with the
// stacked style. Neighbouring panels overlap by one pixel; three leave the last cell empty.
#include <QRect>
#include <vector>

inline constexpr int kStripHeight = 32;  // panels start under the control strip

// Bounds of panels 0..n-1; empty for n of 0 or above 4.
std::vector<QRect> PanelRects(int n, bool stacked, int clientWidth, int clientHeight);

