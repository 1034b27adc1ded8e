#include "Placement.h"

#include <QEvent>
#include <QMetaObject>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QWidget>
#include <QWindow>

namespace {

// Watches one window for its first expose; deletes itself once it has run
// the action, or with the window.
class TExposeWatch final : public QObject {
public:
    TExposeWatch(QWindow* Awindow, std::function<void()> Aaction)
        : QObject(Awindow), Faction(std::move(Aaction))
    {
        Awindow->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* Awatched, QEvent* Aevent) override
    {
        if (Aevent->type() == QEvent::Expose && static_cast<QWindow*>(Awatched)->isExposed()) {
            // Queued, so that the expose itself is handled first.
            QMetaObject::invokeMethod(Awatched, std::move(Faction), Qt::QueuedConnection);
            deleteLater();
            Awatched->removeEventFilter(this);
        }
        return false;
    }

private:
    std::function<void()> Faction;
};

} // namespace

void whenExposed(QWidget& Awindow, std::function<void()> Aaction)
{
    QWindow* handle = Awindow.windowHandle();
    if (handle->isExposed())
        QMetaObject::invokeMethod(&Awindow, std::move(Aaction), Qt::QueuedConnection);
    else
        new TExposeWatch(handle, std::move(Aaction));
}

QPoint centredOn(const QWidget& Aowner, QSize AclientSize)
{
    const QRect ownerFrame = Aowner.frameGeometry();
    const QSize frameSize = AclientSize + (ownerFrame.size() - Aowner.size());
    QRect frame(QPoint(), frameSize);
    frame.moveCenter(ownerFrame.center());
    return frame.topLeft();
}
