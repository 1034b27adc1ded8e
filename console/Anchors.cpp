#include "Anchors.h"

#include <algorithm>

namespace {

// One axis: where the widget starts and how long it is for the new extent.
struct TSpan {
    int start;
    int length;
};

TSpan placeOnAxis(int AdesignStart, int AdesignLength, int AdesignExtent, int Aextent, bool AnearAnchored,
                  bool AfarAnchored)
{
    const int farGap = AdesignExtent - (AdesignStart + AdesignLength);
    if (AnearAnchored && AfarAnchored) return {AdesignStart, std::max(0, Aextent - farGap - AdesignStart)};
    if (AfarAnchored) return {Aextent - farGap - AdesignLength, AdesignLength};
    return {AdesignStart, AdesignLength};
}

} // namespace

void TAnchors::add(QWidget* Awidget, Qt::Edges Aanchors)
{
    Fwidgets.push_back({Awidget, Aanchors, Awidget->geometry()});
}

void TAnchors::apply(QSize AclientSize) const
{
    for (const TAnchored& item : Fwidgets) {
        const TSpan x = placeOnAxis(item.design.x(), item.design.width(), FdesignSize.width(), AclientSize.width(),
                                    item.anchors.testFlag(Qt::LeftEdge), item.anchors.testFlag(Qt::RightEdge));
        const TSpan y = placeOnAxis(item.design.y(), item.design.height(), FdesignSize.height(),
                                    AclientSize.height(), item.anchors.testFlag(Qt::TopEdge),
                                    item.anchors.testFlag(Qt::BottomEdge));
        item.widget->setGeometry(x.start, y.start, x.length, y.length);
    }
}
