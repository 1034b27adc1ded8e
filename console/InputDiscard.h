// TInputDiscard: input that reaches the program while an action blocks it is
// not acted on.
//
// The actions call the terminal on the GUI thread, so whatever the operator
// clicks or types meanwhile waits in the queue, and the toolkit would act on
// it the moment the action returns: a second click on "Invia Pagamento" would
// send a second payment. From its creation on, the object swallows every input
// event of the application; drain() lets everything queued so far be handled,
// input swallowed, before the object goes.
#pragma once

#include <QObject>

class TInputDiscard final : public QObject {
public:
    TInputDiscard();
    ~TInputDiscard() override;
    TInputDiscard(const TInputDiscard&) = delete;
    TInputDiscard& operator=(const TInputDiscard&) = delete;

    // Handles the events queued now, so that the input among them is dropped.
    void drain();

protected:
    bool eventFilter(QObject* Awatched, QEvent* Aevent) override;
};
