// Where the password dialog stands on a real X display with a window
// manager, which places the main window itself once it is shown: the display
// is named by ECR17_WM_DISPLAY (./test.sh starts one); without it the test
// is skipped.
#include "MainFormU.h"
#include "MemoryLogTool.h"
#include "ModalDialogs.h"

#include <QPushButton>
#include <QTest>

#include <cstdio>

namespace {

// CTest reports this exit code as a skipped test.
constexpr int skipped = 77;

// Window centres a few pixels apart still count as the same: managers round
// halves differently.
constexpr int centreTolerance = 3;

} // namespace

class DialogPlacementTest : public QObject {
    Q_OBJECT

private slots:
    void passwordDialogCentredOnThePlacedWindow()
    {
        TMemoryLogTool tool;
        TMainForm form;
        QRect mainFrame;
        QRect dialogFrame;
        bool answered = false;
        form.show();
        whenModal([&](QWidget* Adialog) {
            // Both windows are on screen once exposed: the manager has
            // placed them by then.
            const bool exposed = QTest::qWaitForWindowExposed(&form) && QTest::qWaitForWindowExposed(Adialog);
            mainFrame = form.frameGeometry();
            dialogFrame = Adialog->frameGeometry();
            QTest::mouseClick(child<QPushButton>(Adialog, "btnCancel"), Qt::LeftButton);
            answered = true;
            QVERIFY(exposed);
        });
        QVERIFY(QTest::qWaitFor([&] { return answered; }));
        const QPoint offset = dialogFrame.center() - mainFrame.center();
        QVERIFY2(offset.manhattanLength() <= centreTolerance,
                 qPrintable(QStringLiteral("dialog at %1,%2 %3x%4, main window at %5,%6 %7x%8")
                                .arg(dialogFrame.x()).arg(dialogFrame.y())
                                .arg(dialogFrame.width()).arg(dialogFrame.height())
                                .arg(mainFrame.x()).arg(mainFrame.y())
                                .arg(mainFrame.width()).arg(mainFrame.height())));
    }
};

int main(int argc, char* argv[])
{
    const QByteArray display = qgetenv("ECR17_WM_DISPLAY");
    if (display.isEmpty()) {
        std::puts("SKIP: no display with a window manager (ECR17_WM_DISPLAY is not set)");
        return skipped;
    }
    qputenv("DISPLAY", display);
    qputenv("QT_QPA_PLATFORM", "xcb");
    // The display has no session bus; looking for one through it leaves the
    // toolkit's attempt unreleased at exit, which the leak check reports.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    QApplication app(argc, argv);
    DialogPlacementTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "DialogPlacementTest.moc"
