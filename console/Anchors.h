// TAnchors: keeps child widgets at fixed distances from the edges of their
// window while it is resized.
//
// A widget anchored left and right stretches with the width, one anchored
// only right moves with the right edge; likewise top/bottom for the height.
// Distances are taken from the design-time client size, so every widget is
// registered once after it has been placed.
#pragma once

#include <QRect>
#include <QSize>
#include <QWidget>
#include <vector>

class TAnchors {
public:
    explicit TAnchors(QSize AdesignSize) : FdesignSize(AdesignSize) {}

    void add(QWidget* Awidget, Qt::Edges Aanchors);
    // Re-places every registered widget for the new client size.
    void apply(QSize AclientSize) const;

private:
    struct TAnchored {
        QWidget* widget;
        Qt::Edges anchors;
        QRect design;
    };
    QSize FdesignSize;
    std::vector<TAnchored> Fwidgets;
};
