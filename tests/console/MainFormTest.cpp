// The console window, driven through its widgets: start-up behind the
// password, the caption, "Pulisci", the two actions against an in-process
// terminal simulator, input made while an action blocks the window, and the
// mouse and keyboard on the controls.
#include "LateInput.h"
#include "MainFormU.h"
#include "MemoryLogTool.h"
#include "ModalDialogs.h"
#include "SimFrames.h"
#include "TerminalSim.h"

#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionSpinBox>
#include <QTest>
#include <QWindow>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(TSimStep)

// What the operator does to a started window while a payment runs.
using TOperatorInput = std::vector<TPostedEvent> (*)(TMainForm&);
Q_DECLARE_METATYPE(TOperatorInput)

namespace {

const QString statusWaitLine = u"Richiesta stato in corso. Attendere..."_s;
const QString payWaitLine = u"Pagamento (\u20AC 0.01) in corso. Attendere..."_s;
const QString readyLine = u"Inizializzazione completata"_s;

QStringList memoLines(TMainForm& Aform)
{
    const QString text = child<QPlainTextEdit>(&Aform, "Memo1")->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(u'\n');
}

// The log file that the console writes for this executable.
QString expectedLogFile()
{
    const QFileInfo exe(QCoreApplication::applicationFilePath());
    return exe.absolutePath() + u'/' + exe.fileName() + u".dlog"_s;
}

// Shows the window and answers the password dialog with Apassword ("OK")
// or with "Cancel" when there is none; returns once start-up has finished.
bool showAndAnswer(TMainForm& Aform, const std::optional<QString>& Apassword)
{
    bool answered = false;
    Aform.show();
    whenModal([&](QWidget* Adialog) {
        if (Apassword) {
            QTest::keyClicks(child<QLineEdit>(Adialog, "edtPassword"), *Apassword);
            QTest::mouseClick(child<QPushButton>(Adialog, "btnOK"), Qt::LeftButton);
        } else {
            QTest::mouseClick(child<QPushButton>(Adialog, "btnCancel"), Qt::LeftButton);
        }
        answered = true;
    });
    return QTest::qWaitFor([&] { return answered; });
}

void setConnection(TMainForm& Aform, const QString& Ahost, int Aport)
{
    auto* host = child<QLineEdit>(&Aform, "edtEftHost");
    host->clear();
    QTest::keyClicks(host, Ahost);
    auto* port = child<QSpinBox>(&Aform, "edtEftPort");
    QTest::keyClick(port, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(port, QString::number(Aport));
    QCOMPARE(port->value(), Aport);
}

void click(TMainForm& Aform, const char* Abutton)
{
    QTest::mouseClick(child<QPushButton>(&Aform, Abutton), Qt::LeftButton);
}

// The request a 0.01 payment sends, as the terminal reads it.
std::string payRequestFor001()
{
    return "000000000P0000000000000" + std::string("00000001") + std::string(128, ' ') + "00000000";
}

// Progress texts sent one after another: each receive tick of the client
// ends when one arrives, so the client's tick count runs out quickly.
std::vector<std::string> progressFlood()
{
    return std::vector<std::string>(6000, simProgress("ATTENDERE"));
}

// A left-button event in the middle of Awidget.
std::shared_ptr<const QEvent> mouseOn(QWidget* Awidget, QEvent::Type Atype)
{
    const QPointF centre = QRectF(Awidget->rect()).center();
    const Qt::MouseButtons held = Atype == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    return std::make_shared<QMouseEvent>(Atype, centre, Awidget->mapToGlobal(centre), Qt::LeftButton, held,
                                         Qt::NoModifier);
}

std::vector<TPostedEvent> clickOn(QWidget* Awidget)
{
    return {{Awidget, mouseOn(Awidget, QEvent::MouseButtonPress)},
            {Awidget, mouseOn(Awidget, QEvent::MouseButtonRelease)}};
}

std::vector<TPostedEvent> keyOn(QWidget* Awidget, Qt::Key Akey, const QString& Atext)
{
    return {{Awidget, std::make_shared<QKeyEvent>(QEvent::KeyPress, Akey, Qt::NoModifier, Atext)},
            {Awidget, std::make_shared<QKeyEvent>(QEvent::KeyRelease, Akey, Qt::NoModifier, Atext)}};
}

template <class T> std::ptrdiff_t countPayloads(const std::vector<std::string>& Aframes, const T& Apayload)
{
    return std::count_if(Aframes.begin(), Aframes.end(),
                         [&](const std::string& frame) { return simPayload(frame) == Apayload; });
}

// A click at Apoint of Awidget as the window gets it, so that it lands on
// whichever control is on top there.
void clickInWindow(QWidget* Awidget, QPoint Apoint)
{
    QWidget* window = Awidget->window();
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, Qt::NoModifier, Awidget->mapTo(window, Apoint));
}

QRect upArrowOf(QSpinBox* Abox)
{
    QStyleOptionSpinBox option;
    option.initFrom(Abox);
    option.subControls = QStyle::SC_All;
    option.buttonSymbols = Abox->buttonSymbols();
    option.frame = Abox->hasFrame();
    return Abox->style()->subControlRect(QStyle::CC_SpinBox, &option, QStyle::SC_SpinBoxUp, Abox);
}

// A port on which nothing listens: the simulator's, once it has closed.
std::uint16_t closedPort()
{
    return TTerminalSim(TSimBehaviour{}).port();
}

} // namespace

class MainFormTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TMemoryLogTool> Ftool;

    // A started console with its log in memory.
    std::unique_ptr<TMainForm> startedForm()
    {
        auto form = std::make_unique<TMainForm>();
        if (!showAndAnswer(*form, u"Tarvoqin58!"_s)) return nullptr;
        return form;
    }

private:
    const QString incompleteReceiptLine = u"Ricevuta incompleta: usare la ristampa dal terminale"_s;

private slots:
    void init() { Ftool = std::make_unique<TMemoryLogTool>(); }
    void cleanup() { Ftool.reset(); }

    void captionCarriesMajorMinorVersion()
    {
        TMainForm form;
        QCOMPARE(form.windowTitle(), u"Varnex - Test Procollo 17 - v1.5"_s);
    }

    void startUpLines_data()
    {
        QTest::addColumn<bool>("installed");
        QTest::addColumn<bool>("failOpen");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("log on") << true << false << QStringList{u"Log abilitato"_s, readyLine};
        QTest::newRow("log file cannot be opened")
            << true << true << QStringList{u"Impossibile aprire il file di log"_s, readyLine};
        QTest::newRow("log tool missing")
            << false << false << QStringList{u"!!! Errore !!!"_s, u"Log tool not installed"_s, readyLine};
    }

    void startUpLines()
    {
        QFETCH(bool, installed);
        QFETCH(bool, failOpen);
        QFETCH(QStringList, lines);
        Ftool.reset();
        Ftool = std::make_unique<TMemoryLogTool>(installed);
        Ftool->failOpen(failOpen);

        auto form = startedForm();
        QVERIFY(form);
        QCOMPARE(memoLines(*form), lines);
        QVERIFY(form->isVisible());
        if (installed && !failOpen) {
            QCOMPARE(Ftool->opened().size(), 1u);
            QCOMPARE(QString::fromStdU16String(Ftool->opened().front()), expectedLogFile());
        }
        // The client exists and gives plain-text results.
        const auto records = Ftool->records();
        QVERIFY(std::find(records.begin(), records.end(),
                          TLogRecord{TLogRecordKind::Info, u"JSONout setted: False"}) != records.end());
    }

    // With the real logging tool the file lies next to the executable and
    // holds the client's records up to its destruction on close.
    void logFileNextToTheExecutable()
    {
        Ftool.reset();
        QFile::remove(expectedLogFile());
        {
            auto form = startedForm();
            QVERIFY(form);
            QCOMPARE(memoLines(*form).first(), u"Log abilitato"_s);
            QVERIFY(form->close());
        }
        QFile file(expectedLogFile());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray log = file.readAll();
        const qsizetype created = log.indexOf("ECR object Created");
        QVERIFY(created >= 0);
        QVERIFY(log.indexOf("JSONout setted: False") > created);
        QVERIFY(log.indexOf("ECR object destroyed") > created);
    }

    void cancelEndsWithoutClient()
    {
        TMainForm form;
        QVERIFY(showAndAnswer(form, std::nullopt));
        QVERIFY(QTest::qWaitFor([&] { return !form.isVisible(); }));
        QCOMPARE(memoLines(form), QStringList());
        QVERIFY(Ftool->opened().empty());
        for (const TLogRecord& record : Ftool->records())
            QVERIFY(record.text != u"Create");
    }

    void showingAgainDoesNotAskAgain()
    {
        auto form = startedForm();
        QVERIFY(form);
        form->hide();
        form->show();
        bool asked = false;
        QTimer::singleShot(0, [&] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                asked = true;
                modal->close();
            }
        });
        QCoreApplication::processEvents();
        QVERIFY(!asked);
        QCOMPARE(memoLines(*form).size(), 2);
    }

    // "Pulisci" empties the area and leaves the boxes alone; the next action
    // writes into the empty area, and an error leaves the window ready.
    void clearThenAnError()
    {
        auto form = startedForm();
        QVERIFY(form);
        click(*form, "btnClear");
        QCOMPARE(memoLines(*form), QStringList());
        QCOMPARE(child<QLineEdit>(form.get(), "edtEftHost")->text(), u"192.168.1."_s);
        QCOMPARE(child<QSpinBox>(form.get(), "edtEftPort")->value(), 9100);

        child<QLineEdit>(form.get(), "edtEftHost")->clear();
        click(*form, "btnStatus");
        click(*form, "btnPay");
        QCOMPARE(memoLines(*form), (QStringList{statusWaitLine, u"!!! Errore !!!"_s, u"A Host is required"_s,
                                                payWaitLine, u"!!! Errore !!!"_s, u"A Host is required"_s}));
    }

    void statusAgainstTheSimulator()
    {
        TSimBehaviour behaviour;
        behaviour.statusDateTime = "0912262315";
        TTerminalSim sim(behaviour);
        auto form = startedForm();
        QVERIFY(form);
        click(*form, "btnClear");
        setConnection(*form, u"127.0.0.1"_s, sim.port());

        click(*form, "btnStatus");
        QCOMPARE(memoLines(*form), (QStringList{statusWaitLine, u"Terminal ID: SIM00001"_s,
                                                u"Date/time: 0912262315"_s, u"Status: 0"_s,
                                                u"SW Release: SIM 1.0.0"_s}));
        QCOMPARE(simPayload(sim.framesAll().front()), std::string("000000000s"));
    }

    void paymentAgainstTheSimulator()
    {
        TTerminalSim sim(TSimBehaviour{});
        auto form = startedForm();
        QVERIFY(form);
        click(*form, "btnClear");
        setConnection(*form, u"127.0.0.1"_s, sim.port());

        click(*form, "btnPay");
        const QStringList lines = memoLines(*form);
        QCOMPARE(lines.first(), payWaitLine);
        QCOMPARE(lines.at(1), u"Terminal ID: SIM00001"_s);
        QCOMPARE(lines.at(2), u"Result: 00"_s);
        QVERIFY(lines.indexOf(u"Auth Code: A1B2C3"_s) > 0);
        QVERIFY(lines.filter(QRegularExpression(u"^Receipt: "_s)).size() == 1);
        QVERIFY(!lines.contains(u"!!! Timeout !!!"_s));
        QVERIFY(!lines.contains(u"Pagamento fallito!"_s));

        const std::vector<std::string> frames = sim.framesAll();
        QVERIFY(frames.size() >= 2);
        QCOMPARE(simPayload(frames.at(0)), std::string("000000000E2"));
        QCOMPARE(simPayload(frames.at(1)), payRequestFor001());

        QVERIFY(!lines.contains(incompleteReceiptLine));

        if (const QByteArray shot = qgetenv("ECR17_CONSOLE_SCREENSHOT"); !shot.isEmpty())
            QVERIFY(form->grab().save(QString::fromLocal8Bit(shot)));
    }

    void receiptCutShortIsSaid()
    {
        TSimBehaviour cutShort;
        cutShort.drop = TSimDrop::DuringReceipt;  // the connection drops after one receipt block
        TTerminalSim sim(cutShort);
        auto form = startedForm();
        QVERIFY(form);
        click(*form, "btnClear");
        setConnection(*form, u"127.0.0.1"_s, sim.port());

        click(*form, "btnPay");
        const QStringList lines = memoLines(*form);
        QCOMPARE(lines.at(2), u"Result: 00"_s);
        const qsizetype receipt = lines.indexOf(QRegularExpression(u"Receipt: .*"_s));
        const qsizetype said = lines.indexOf(incompleteReceiptLine);
        QVERIFY(receipt > 0);
        QVERIFY(said > receipt);
        QVERIFY(!lines.contains(u"Pagamento fallito!"_s));
    }

    void refusedConnectShowsTheError()
    {
        auto form = startedForm();
        QVERIFY(form);
        click(*form, "btnClear");
        setConnection(*form, u"127.0.0.1"_s, closedPort());

        click(*form, "btnPay");
        QCOMPARE(memoLines(*form), (QStringList{payWaitLine, u"!!! Errore !!!"_s,
                                                u"Socket Error # %1"_s.arg(ECONNREFUSED),
                                                u"Connection refused."_s}));

        // The window is ready for the next action.
        TTerminalSim sim(TSimBehaviour{});
        setConnection(*form, u"127.0.0.1"_s, sim.port());
        click(*form, "btnStatus");
        QCOMPARE(memoLines(*form).at(5), u"Terminal ID: SIM00001"_s);
    }

    // The terminal acknowledges the request and then keeps sending progress
    // texts: the outcome wait, or the receipt wait after an outcome, runs out.
    void paymentTimeOut_data()
    {
        const TSimStep payRequestAcked[] = {TSimStep::readFrame(), TSimStep::ack(), TSimStep::readFrame(),
                                            TSimStep::ack()};
        const std::string refusedOutcome = simFrame("SIM000010E05");

        QTest::addColumn<QVector<TSimStep>>("script");
        QTest::addColumn<QStringList>("expected");

        QVector<TSimStep> noOutcome(std::begin(payRequestAcked), std::end(payRequestAcked));
        noOutcome << TSimStep::send(progressFlood(), std::chrono::milliseconds(1));
        QTest::newRow("no outcome") << noOutcome
                                    << QStringList{payWaitLine, u"Pagamento fallito!"_s, u"!!! Timeout !!!"_s};

        QVector<TSimStep> noReceipt(std::begin(payRequestAcked), std::end(payRequestAcked));
        noReceipt << TSimStep::send({refusedOutcome}) << TSimStep::readFrame()
                  << TSimStep::send(progressFlood(), std::chrono::milliseconds(1));
        QTest::newRow("outcome without receipt")
            << noReceipt
            << QStringList{payWaitLine,          u"Terminal ID: SIM00001"_s, u"Result: 05"_s,
                           u"PAN: "_s,           u"Transaction Type: "_s,    u"Auth Code: "_s,
                           u"Date/time: "_s,     u"Description: "_s,        u"Card Type: "_s,
                           u"Acquirer ID: "_s,   u"STAN: "_s,                u"ID online: "_s,
                           u"Ricevuta incompleta: usare la ristampa dal terminale"_s, u"!!! Timeout !!!"_s};
    }

    void paymentTimeOut()
    {
        QFETCH(QVector<TSimStep>, script);
        QFETCH(QStringList, expected);
        TTerminalSim sim(std::vector<TSimScript>{TSimScript(script.begin(), script.end())});
        auto form = startedForm();
        QVERIFY(form);
        click(*form, "btnClear");
        setConnection(*form, u"127.0.0.1"_s, sim.port());

        click(*form, "btnPay");
        QCOMPARE(memoLines(*form), expected);
    }

    // A close that arrives while an action lets the window paint its wait
    // line is refused: the action still has the client, and finishes.
    void closeDuringAnActionIsRefused()
    {
        auto form = startedForm();
        QVERIFY(form);
        click(*form, "btnClear");
        child<QLineEdit>(form.get(), "edtEftHost")->clear();

        QCoreApplication::postEvent(form->windowHandle(), new QCloseEvent);
        click(*form, "btnStatus");
        QCOMPARE(memoLines(*form), (QStringList{statusWaitLine, u"!!! Errore !!!"_s, u"A Host is required"_s}));
        QVERIFY(form->isVisible());
        QVERIFY(form->close());
    }

    void inputDuringAPaymentIsDiscarded_data()
    {
        QTest::addColumn<TOperatorInput>("input");
        QTest::newRow("second click of a double click on Invia Pagamento") << TOperatorInput([](TMainForm& Aform) {
            auto* pay = child<QPushButton>(&Aform, "btnPay");
            return std::vector<TPostedEvent>{{pay, mouseOn(pay, QEvent::MouseButtonPress)},
                                             {pay, mouseOn(pay, QEvent::MouseButtonDblClick)},
                                             {pay, mouseOn(pay, QEvent::MouseButtonRelease)}};
        });
        QTest::newRow("click on Richiedi Stato") << TOperatorInput(
            [](TMainForm& Aform) { return clickOn(child<QPushButton>(&Aform, "btnStatus")); });
        QTest::newRow("space on Richiedi Stato") << TOperatorInput(
            [](TMainForm& Aform) { return keyOn(child<QPushButton>(&Aform, "btnStatus"), Qt::Key_Space, u" "_s); });
        QTest::newRow("typing in the host box") << TOperatorInput(
            [](TMainForm& Aform) { return keyOn(child<QLineEdit>(&Aform, "edtEftHost"), Qt::Key_X, u"x"_s); });
        QTest::newRow("close") << TOperatorInput([](TMainForm& Aform) {
            return std::vector<TPostedEvent>{{Aform.windowHandle(), std::make_shared<QCloseEvent>()}};
        });
    }

    // Whatever the operator does while a payment blocks the window is not
    // acted on afterwards: one payment reaches the terminal, no status
    // request follows it, and the window stays open with the result.
    void inputDuringAPaymentIsDiscarded()
    {
        QFETCH(TOperatorInput, input);
        auto form = startedForm();
        QVERIFY(form);
        click(*form, "btnClear");
        TLateInput late(payRequestFor001(), input(*form));
        TSimBehaviour slow;
        slow.answerDelay = std::chrono::milliseconds(100);
        TTerminalSim sim(slow, late.simConfig());
        setConnection(*form, u"127.0.0.1"_s, sim.port());

        click(*form, "btnPay");
        QVERIFY(late.posted());
        // Anything still queued would act now.
        QCoreApplication::processEvents();

        const std::vector<std::string> frames = sim.framesAll();
        QCOMPARE(countPayloads(frames, payRequestFor001()), 1);
        QCOMPARE(countPayloads(frames, "000000000s"), 0);
        const QStringList lines = memoLines(*form);
        QCOMPARE(lines.count(payWaitLine), 1);
        QVERIFY(lines.contains(u"Result: 00"_s));
        QCOMPARE(child<QLineEdit>(form.get(), "edtEftHost")->text(), u"127.0.0.1"_s);
        QVERIFY(form->isVisible());
        // The operator closes again, now that the result is in view.
        QVERIFY(form->close());
    }

    // "Porta" overlaps the port box; the box takes the mouse all over.
    void portBoxTakesTheMouseOverItsWholeArea()
    {
        auto form = startedForm();
        QVERIFY(form);
        auto* port = child<QSpinBox>(form.get(), "edtEftPort");

        clickInWindow(port, QPoint(port->width() / 2, port->height() / 4));
        QVERIFY(form->focusWidget() && port->isAncestorOf(form->focusWidget()));
        QTest::keyClick(form->windowHandle(), Qt::Key_Up);
        QCOMPARE(port->value(), 9101);

        clickInWindow(port, upArrowOf(port).center());
        QCOMPARE(port->value(), 9102);
    }

    void tabLeavesTheTextArea()
    {
        auto form = startedForm();
        QVERIFY(form);
        auto* memo = child<QPlainTextEdit>(form.get(), "Memo1");
        const QString text = memo->toPlainText();
        memo->setFocus();
        QTest::keyClick(form->windowHandle(), Qt::Key_Tab);
        QCOMPARE(form->focusWidget(), child<QPushButton>(form.get(), "btnStatus"));
        QCOMPARE(memo->toPlainText(), text);
    }
};

QTEST_MAIN(MainFormTest)
#include "MainFormTest.moc"
