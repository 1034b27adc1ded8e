#include "MainFormU.h"

#include "AuthFormU.h"
#include "ECR17u.h"
#include "InputDiscard.h"
#include "Placement.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QSpinBox>

#include <stdexcept>

using namespace Qt::StringLiterals;

namespace {

const QString designedCaption = u"Varnex - Test Procollo 17"_s;
constexpr QSize designedClientSize(640, 486);

constexpr int defaultPort = 9100;
constexpr TPrintMode consolePrintMode = 2;
// 0.01 in ten-thousandths of the currency unit.
constexpr Currency consoleAmount = 100;

// The program's version as major.minor, set by the build.
QString programVersion()
{
    return QString::number(ECR17_VERSION_MAJOR) + u'.' + QString::number(ECR17_VERSION_MINOR);
}

// The executable's full path with its extension replaced by ".log" (added
// when it has none); the log facility turns it into the ".dlog" file.
QString logFileName()
{
    const QFileInfo exe(QCoreApplication::applicationFilePath());
    const QString stem = exe.suffix().isEmpty() ? exe.fileName() : exe.completeBaseName();
    return exe.absolutePath() + u'/' + stem + u".log"_s;
}

// A result text ends with a line feed; the text area starts a new line for
// every addLine anyway, so that one is dropped to avoid an empty line.
QString asLines(const std::u16string& Atext)
{
    QString text = QString::fromStdU16String(Atext);
    if (text.endsWith(u'\n')) text.chop(1);
    return text;
}

// Lets the wait line appear before the window stops responding. Input is
// left queued, to be dropped once the action is over.
void paintPending()
{
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

QPushButton* makeButton(QWidget* Aparent, const QString& Aname, const QString& Atext, const QString& Ahint)
{
    auto* button = new QPushButton(Atext, Aparent);
    button->setObjectName(Aname);
    button->setToolTip(Ahint);
    return button;
}

// A label takes no clicks: one that overlaps a control lets them through to it.
QLabel* makeLabel(QWidget* Aparent, const QString& Aname, const QString& Atext, QRect Ageometry)
{
    auto* label = new QLabel(Atext, Aparent);
    label->setObjectName(Aname);
    label->setGeometry(Ageometry);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

} // namespace

TMainForm::TMainForm(QWidget* Aparent)
    : QWidget(Aparent), Fanchors(designedClientSize)
{
    createControls();
    FormCreate();
}

// Frees the client if the window is destroyed without being closed.
TMainForm::~TMainForm() = default;

void TMainForm::createControls()
{
    setObjectName(u"MainForm"_s);
    setWindowTitle(designedCaption);
    resize(designedClientSize);

    edtEftHost = new QLineEdit(u"192.168.1."_s, this);
    edtEftHost->setObjectName(u"edtEftHost"_s);
    edtEftHost->setToolTip(u"Indirizzo IP del POS"_s);
    // Narrow enough to leave room for the "Porta" label at x = 188.
    edtEftHost->setGeometry(72, 23, 113, edtEftHost->sizeHint().height());

    edtEftPort = new QSpinBox(this);
    edtEftPort->setObjectName(u"edtEftPort"_s);
    edtEftPort->setRange(1, 65535);
    edtEftPort->setValue(defaultPort);
    edtEftPort->setToolTip(u"Porta di ascolto del POS"_s);
    edtEftPort->setCursor(Qt::IBeamCursor);
    edtEftPort->setGeometry(QRect(QPoint(220, 23), edtEftPort->sizeHint()));

    Label1 = makeLabel(this, u"Label1"_s, u"Host"_s, QRect(39, 23, 33, 17));
    Label2 = makeLabel(this, u"Label2"_s, u"Porta"_s, QRect(188, 23, 100, 17));
    // "Porta" reaches into the port box; the box is drawn over it.
    edtEftPort->raise();

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(u"Memo1"_s);
    Memo1->setGeometry(24, 64, 593, 385);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont memoFont = Memo1->font();
    memoFont.setFamily(u"Lucida Console"_s);
    memoFont.setStyleHint(QFont::TypeWriter);
    Memo1->setFont(memoFont);
    // Tab goes on to the next control, as everywhere else in the window.
    Memo1->setTabChangesFocus(true);

    btnStatus = makeButton(this, u"btnStatus"_s, u"Richiedi Stato"_s, u"Richiede lo stato al POS"_s);
    btnStatus->setGeometry(344, 23, 100, 22);
    btnPay = makeButton(this, u"btnPay"_s, u"Invia Pagamento"_s,
                        u"Invia una richiesta di pagamento da \u20AC 0.01 al POS"_s);
    btnPay->setGeometry(460, 23, 109, 22);
    btnClear = makeButton(this, u"btnClear"_s, u"Pulisci"_s, QString());
    btnClear->setGeometry(QRect(QPoint(537, 456), btnClear->sizeHint()));

    setTabOrder(edtEftHost, edtEftPort);
    setTabOrder(edtEftPort, Memo1);
    setTabOrder(Memo1, btnStatus);
    setTabOrder(btnStatus, btnPay);
    setTabOrder(btnPay, btnClear);

    Fanchors.add(Memo1, Qt::LeftEdge | Qt::TopEdge | Qt::RightEdge | Qt::BottomEdge);
    Fanchors.add(btnClear, Qt::RightEdge | Qt::BottomEdge);

    connect(btnStatus, &QPushButton::clicked, this, &TMainForm::btnStatusClick);
    connect(btnPay, &QPushButton::clicked, this, &TMainForm::btnPayClick);
    connect(btnClear, &QPushButton::clicked, this, &TMainForm::btnClearClick);
}

void TMainForm::FormCreate()
{
    if (!QCoreApplication::instance()) return;
    setWindowTitle(designedCaption + u" - v"_s + programVersion());
}

void TMainForm::showEvent(QShowEvent* Aevent)
{
    QWidget::showEvent(Aevent);
    // The password dialog opens once the window is on screen where the window
    // manager put it, so that it can stand centred over it and the window can
    // be closed from there.
    whenExposed(*this, [this] {
        try {
            FormShow();
        } catch (const std::exception& e) {
            // Errors while the client is created are not the console's to
            // handle; like any unhandled error they are reported and the
            // window stays open.
            QMessageBox::critical(this, u"Errore"_s, QString::fromUtf8(e.what()));
        }
    });
}

void TMainForm::FormShow()
{
    if (FfirstShown) return;
    FfirstShown = true;

    bool accepted = false;
    {
        TAuthForm AuthForm;
        AuthForm.move(centredOn(*this, AuthForm.size()));
        if (AuthForm.exec() == mrOk) {
            accepted = true;
            startConsole();
        }
    }
    if (!accepted) close();
}

void TMainForm::startConsole()
{
    try {
        if (TECR::logEnable(logFileName().toStdU16String()))
            addLine(u"Log abilitato"_s);
        else
            addLine(u"Impossibile aprire il file di log"_s);
    } catch (const std::exception& e) {
        showError(QString::fromUtf8(e.what()));
    }
    FECR = std::make_unique<TECR>();
    FECR->setJSONOut(false);
    addLine(u"Inizializzazione completata"_s);
}

void TMainForm::closeEvent(QCloseEvent* Aevent)
{
    // A close that arrives while an action runs (when it paints its wait line,
    // or queued behind it) is refused: the client is in use, and the operator
    // is to see the result first.
    if (FactionRunning) {
        Aevent->ignore();
        return;
    }
    FormClose();
    QWidget::closeEvent(Aevent);
}

void TMainForm::FormClose()
{
    FECR.reset();
    TECR::logDisable();
}

void TMainForm::resizeEvent(QResizeEvent* Aevent)
{
    QWidget::resizeEvent(Aevent);
    Fanchors.apply(size());
}

void TMainForm::addLine(const QString& Atext)
{
    Memo1->appendPlainText(Atext);
    Memo1->moveCursor(QTextCursor::End);
    Memo1->ensureCursorVisible();
}

void TMainForm::showError(const QString& Amessage)
{
    addLine(u"!!! Errore !!!"_s);
    addLine(Amessage);
}

void TMainForm::btnClearClick()
{
    Memo1->clear();
}

template <class TAction> void TMainForm::runAction(TAction Aaction)
{
    FactionRunning = true;
    const auto idle = qScopeGuard([this] { FactionRunning = false; });
    TInputDiscard discard;
    try {
        Aaction();
    } catch (const std::exception& e) {
        showError(QString::fromUtf8(e.what()));
    }
    // What the operator did while the window was blocked is handled now, while
    // it is still refused: clicks and keys are dropped, a close is ignored and
    // the result stays in view.
    discard.drain();
}

TECR& TMainForm::client() const
{
    if (!FECR) throw std::logic_error("Terminal client not created");
    return *FECR;
}

void TMainForm::applyConnectionSettings()
{
    client().setHost(edtEftHost->text().toStdU16String());
    client().setPort(edtEftPort->value());
}

void TMainForm::btnStatusClick()
{
    runAction([this] {
        addLine(u"Richiesta stato in corso. Attendere..."_s);
        paintPending();
        applyConnectionSettings();
        std::u16string res;
        if (client().status(res))
            addLine(asLines(res));
        else
            addLine(u"Errore in lettura stato EFT"_s);
    });
}

void TMainForm::btnPayClick()
{
    runAction([this] {
        addLine(u"Pagamento (\u20AC 0.01) in corso. Attendere..."_s);
        paintPending();
        applyConnectionSettings();
        client().setPrintMode(consolePrintMode);
        std::u16string res;
        bool timedOut = false;
        if (client().pay(consoleAmount, std::u16string(), res, timedOut)) {
            addLine(asLines(res));
            // The receipt in the result is cut short; the terminal has it whole.
            if (!client().receiptComplete())
                addLine(u"Ricevuta incompleta: usare la ristampa dal terminale"_s);
        } else {
            addLine(u"Pagamento fallito!"_s);
        }
        if (timedOut) addLine(u"!!! Timeout !!!"_s);
    });
}
