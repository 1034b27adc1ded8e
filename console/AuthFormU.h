// TAuthForm: the operator password dialog shown before the console starts.
//
// Only "OK" (or Enter) can accept, and only with one of the console's
// passwords; a wrong one shows "Password errata!", empties the box and keeps
// the dialog open, as often as the operator likes. "Cancel" closes it with
// mrCancel. Escape does nothing, so a stray key cannot end the program.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// Modal results of the dialog: QDialog::exec() returns one of them.
inline constexpr int mrNone = 0;
inline constexpr int mrOk = 1;
inline constexpr int mrCancel = 2;

class TAuthForm : public QDialog {
    Q_OBJECT

public:
    explicit TAuthForm(QWidget* Aparent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* Aevent) override;

private slots:
    void btnOKClick();

private:
    QLineEdit* edtPassword;
    QLabel* Label1;
    QPushButton* btnOK;
    QPushButton* btnCancel;
};
