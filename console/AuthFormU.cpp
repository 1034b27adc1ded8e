#include "AuthFormU.h"

#include <QCryptographicHash>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include <array>

using namespace Qt::StringLiterals;

namespace {

// SHA-256 of the UTF-8 bytes of the three accepted passwords, in table order.
// Only the digests are kept, so the passwords cannot be read out of the
// program.
constexpr std::array<const char*, 3> acceptedDigests = {
    "a0aad7528b9041a6a5bfb5874700185d610727947d915101eba6c2a70dc24fc7",
    "e855e79a490e1617fccb05adf488672a021d557204fa6e43b8c01bda3188fe8b",
    "fd616599a490eb0263c0cb250cd47fdf71ae759559465c8251e2aaeba93735d5",
};

// Exact comparison: nothing is trimmed and letter case counts. All digests
// are compared, whichever matches.
bool isAcceptedPassword(const QString& Atext)
{
    const QByteArray digest = QCryptographicHash::hash(Atext.toUtf8(), QCryptographicHash::Sha256).toHex();
    bool accepted = false;
    for (const char* expected : acceptedDigests)
        accepted = (digest == expected) || accepted;
    return accepted;
}

} // namespace

TAuthForm::TAuthForm(QWidget* Aparent)
    : QDialog(Aparent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint)
    , edtPassword(new QLineEdit(this))
    , Label1(new QLabel(u"Password:"_s, this))
    , btnOK(new QPushButton(u"OK"_s, this))
    , btnCancel(new QPushButton(u"Cancel"_s, this))
{
    setObjectName(u"AuthForm"_s);
    setWindowTitle(u"Password"_s);
    setFixedSize(299, 100);

    edtPassword->setObjectName(u"edtPassword"_s);
    edtPassword->setEchoMode(QLineEdit::Password);
    edtPassword->setGeometry(80, 24, 193, 22);

    Label1->setObjectName(u"Label1"_s);
    Label1->move(24, 24);
    Label1->resize(Label1->sizeHint());

    // Enter presses "OK" wherever the focus is; no button takes that role
    // from it by having the focus.
    btnOK->setObjectName(u"btnOK"_s);
    btnOK->setAutoDefault(false);
    btnOK->setDefault(true);
    btnOK->move(193, 54);
    btnOK->resize(btnOK->sizeHint());
    connect(btnOK, &QPushButton::clicked, this, &TAuthForm::btnOKClick);

    btnCancel->setObjectName(u"btnCancel"_s);
    btnCancel->setAutoDefault(false);
    btnCancel->move(105, 54);
    btnCancel->resize(btnCancel->sizeHint());
    connect(btnCancel, &QPushButton::clicked, this, [this] { done(mrCancel); });

    setTabOrder(edtPassword, btnOK);
    setTabOrder(btnOK, btnCancel);
    edtPassword->setFocus();
}

void TAuthForm::keyPressEvent(QKeyEvent* Aevent)
{
    if (Aevent->key() == Qt::Key_Escape) {
        Aevent->accept();
        return;
    }
    QDialog::keyPressEvent(Aevent);
}

void TAuthForm::btnOKClick()
{
    if (isAcceptedPassword(edtPassword->text())) {
        done(mrOk);
        return;
    }
    QMessageBox::critical(this, u"Errore"_s, u"Password errata!"_s, QMessageBox::Ok);
    edtPassword->clear();
}
