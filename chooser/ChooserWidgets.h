#pragma once
// A plain widget that shows a picture drawn by the program at (0, 0) and reports its
// mouse, wheel and size events to the chooser window. The grid, the histograms and the
// panes that lay out their children by hand are all made of it.
#include <QImage>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>
#include <functional>

class TChooserWidget : public QWidget {
public:
    explicit TChooserWidget(QWidget* parent = nullptr) : QWidget(parent) {}

    QImage Picture;   // shown unscaled; nothing is painted while it is null
    std::function<void()> OnResize;
    std::function<void(Qt::MouseButton, int, int)> OnMouseDown;
    std::function<void()> OnClick;
    std::function<void()> OnDblClick;
    std::function<void(int)> OnWheel;   // angle delta, 120 a notch

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
};
