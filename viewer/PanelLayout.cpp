#include "viewer/PanelLayout.h"

std::vector<QRect> PanelRects(int n, bool stacked, int clientWidth, int clientHeight)
{
    if (n < 1 || n > 4)
        return {};
    const int cw = clientWidth;
    const int a = clientHeight - kStripHeight;
    const int hw = cw / 2;
    const int hh = a / 2;
    if (n == 1)
        return {QRect(0, kStripHeight, cw, a)};
    if (n == 2) {
        if (stacked)
            return {QRect(0, kStripHeight, cw, hh), QRect(0, hh + kStripHeight - 1, cw, hh)};
        return {QRect(0, kStripHeight, hw, a), QRect(hw - 1, kStripHeight, hw, a)};
    }
    const QRect topLeft(0, kStripHeight, hw, hh);
    const QRect topRight(hw - 1, kStripHeight, hw, hh);
    const QRect bottomLeft(0, hh + kStripHeight - 1, hw, hh);
    const QRect bottomRight(hw - 1, hh + kStripHeight - 1, hw, hh);
    std::vector<QRect> rects = stacked ? std::vector<QRect>{topLeft, bottomLeft, topRight}
                                       : std::vector<QRect>{topLeft, topRight, bottomLeft};
    if (n == 4)
        rects.push_back(bottomRight);
    return rects;
}
