// Answers modal dialogs from inside their exec(): the action is registered
// before the code that opens the dialog runs; once a modal window is shown,
// the action is queued and finds it as the active modal widget when the
// dialog's own event loop handles it.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QString>
#include <QTest>
#include <QTimer>

#include <functional>
#include <utility>

// Waits for the next modal window to be shown, then runs its action once.
// The application owns it until then.
class TModalWatch final : public QObject {
public:
    explicit TModalWatch(std::function<void()> Aaction) : QObject(qApp), Faction(std::move(Aaction))
    {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* Awatched, QEvent* Aevent) override
    {
        if (Aevent->type() != QEvent::Show || !Faction) return false;
        auto* widget = qobject_cast<QWidget*>(Awatched);
        if (widget && widget->isWindow() && widget->isModal()) {
            QTimer::singleShot(0, std::exchange(Faction, nullptr));
            qApp->removeEventFilter(this);
            deleteLater();
        }
        return false;
    }

private:
    std::function<void()> Faction;
};

// A failed check inside Aaction leaves the dialog to be closed here, so that
// the test ends instead of waiting in exec() for ever.
inline void whenModal(std::function<void(QWidget*)> Aaction)
{
    new TModalWatch([Aaction] {
        QPointer<QWidget> modal = QApplication::activeModalWidget();
        QVERIFY2(modal, "no modal dialog is open");
        Aaction(modal);
        if (QTest::currentTestFailed() && modal && modal->isVisible())
            if (auto* dialog = qobject_cast<QDialog*>(modal.data())) dialog->reject();
    });
}

// What a message box showed before it was dismissed.
struct TShownMessage {
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool shown = false;
};

// Dismisses the next message box with its OK button and records it.
inline void dismissMessageBox(TShownMessage& Ashown)
{
    whenModal([&Ashown](QWidget* Amodal) {
        auto* box = qobject_cast<QMessageBox*>(Amodal);
        QVERIFY2(box, "the modal dialog is not a message box");
        Ashown = {box->text(), box->icon(), true};
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    });
}

template <class T> T* child(QWidget* Aparent, const char* Aname)
{
    T* found = Aparent->findChild<T*>(QString::fromLatin1(Aname));
    if (!found) qFatal("no child %s", Aname);
    return found;
}
