// TMainForm: the console's one window.
//
// On its first show, once the window is on screen, it asks for the operator
// password; once accepted it switches the diagnostic log on next to the
// executable, creates the one terminal client with plain-text results, and
// from then on lets the operator ask the terminal for its status or send a
// payment of 0.01. Every step and result is appended to the text area.
// Closing the window frees the client and then switches the log off, so the
// client's last records reach the file.
//
// The actions call the client synchronously on the GUI thread: the window
// does not respond until the terminal has answered or the client has given
// up. Before blocking, each action lets the toolkit paint its wait line once.
// Clicks and keys made while an action runs are dropped when it returns, and
// a close asked for meanwhile is refused, so that its result stays in view.
#pragma once

#include "Anchors.h"

#include <QWidget>

#include <memory>
#include <string>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class TECR;

class TMainForm : public QWidget {
    Q_OBJECT

public:
    explicit TMainForm(QWidget* Aparent = nullptr);
    ~TMainForm() override;

    void addLine(const QString& Atext);
    void showError(const QString& Amessage);

protected:
    void showEvent(QShowEvent* Aevent) override;
    void closeEvent(QCloseEvent* Aevent) override;
    void resizeEvent(QResizeEvent* Aevent) override;

private slots:
    void FormShow();
    void btnStatusClick();
    void btnPayClick();
    void btnClearClick();

private:
    void FormCreate();
    void FormClose();
    void createControls();
    void startConsole();
    void applyConnectionSettings();
    // Runs one action on the terminal; an error is shown, never passed on.
    template <class TAction> void runAction(TAction Aaction);
    TECR& client() const;

    QLineEdit* edtEftHost;
    QSpinBox* edtEftPort;
    QLabel* Label1;
    QLabel* Label2;
    QPlainTextEdit* Memo1;
    QPushButton* btnStatus;
    QPushButton* btnPay;
    QPushButton* btnClear;
    TAnchors Fanchors;

    std::unique_ptr<TECR> FECR;
    bool FfirstShown = false;
    bool FactionRunning = false;
};
