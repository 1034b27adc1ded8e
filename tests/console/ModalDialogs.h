// Answers modal dialogs from inside their exec(): the action is queued before
// the code that opens the dialog runs, and finds the dialog as the active
// modal widget once the dialog's own event loop handles it.
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

// A failed check inside Aaction leaves the dialog to be closed here, so that
// the test ends instead of waiting in exec() for ever.
inline void whenModal(std::function<void(QWidget*)> Aaction)
{
    QTimer::singleShot(0, [Aaction] {
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
