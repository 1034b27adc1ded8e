#include "InputDiscard.h"

#include <QCoreApplication>
#include <QEvent>

namespace {

// An upper bound for drain(), should something keep posting events; what
// queued up during an action is handled in a fraction of it.
constexpr int drainLimitMs = 100;

} // namespace

TInputDiscard::TInputDiscard()
{
    QCoreApplication::instance()->installEventFilter(this);
}

TInputDiscard::~TInputDiscard()
{
    QCoreApplication::instance()->removeEventFilter(this);
}

void TInputDiscard::drain()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents, drainLimitMs);
}

bool TInputDiscard::eventFilter(QObject* Awatched, QEvent* Aevent)
{
    // A shortcut is what the toolkit makes of a key press: input as well.
    if (Aevent->isInputEvent() || Aevent->type() == QEvent::Shortcut) return true;
    return QObject::eventFilter(Awatched, Aevent);
}
