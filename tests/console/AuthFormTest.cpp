// The operator password dialog, driven through its widgets.
#include "AuthFormU.h"
#include "ModalDialogs.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

class AuthFormTest : public QObject {
    Q_OBJECT

private:
    // Runs the dialog; Ainput acts on it once it is open.
    static int runDialog(std::function<void(TAuthForm&)> Ainput)
    {
        TAuthForm form;
        whenModal([&](QWidget*) { Ainput(form); });
        return form.exec();
    }

    static void typeAndClickOK(TAuthForm& Aform, const QString& Apassword)
    {
        QTest::keyClicks(child<QLineEdit>(&Aform, "edtPassword"), Apassword);
        QTest::mouseClick(child<QPushButton>(&Aform, "btnOK"), Qt::LeftButton);
    }

private slots:
    void acceptsEachPassword_data()
    {
        QTest::addColumn<QString>("password");
        QTest::newRow("first") << u"Tarvoqin58!"_s;
        QTest::newRow("second") << u"Pumokade73!"_s;
        QTest::newRow("third") << u"fridoletamunsk"_s;
    }

    void acceptsEachPassword()
    {
        QFETCH(QString, password);
        QCOMPARE(runDialog([&](TAuthForm& form) { typeAndClickOK(form, password); }), mrOk);
    }

    // A refused text shows the error, empties the box and leaves the dialog
    // open for another try, which still succeeds.
    void refusesNearMisses_data()
    {
        QTest::addColumn<QString>("password");
        QTest::newRow("other letter case") << u"tarvoqin58!"_s;
        QTest::newRow("upper case") << u"FRIDOLETAMUNSK"_s;
        QTest::newRow("space before") << u" Pumokade73!"_s;
        QTest::newRow("space after") << u"Tarvoqin58! "_s;
        QTest::newRow("last character missing") << u"fridoletamuns"_s;
        QTest::newRow("one character more") << u"Pumokade73!!"_s;
        QTest::newRow("empty") << QString();
    }

    void refusesNearMisses()
    {
        QFETCH(QString, password);
        TShownMessage shown;
        const int result = runDialog([&](TAuthForm& form) {
            dismissMessageBox(shown);
            typeAndClickOK(form, password);
            QVERIFY(shown.shown);
            QCOMPARE(shown.text, u"Password errata!"_s);
            QCOMPARE(shown.icon, QMessageBox::Critical);
            QCOMPARE(child<QLineEdit>(&form, "edtPassword")->text(), QString());
            QVERIFY(form.isVisible());
            QCOMPARE(form.result(), mrNone);
            typeAndClickOK(form, u"Pumokade73!"_s);
        });
        QCOMPARE(result, mrOk);
    }

    void enterActsAsOK()
    {
        const int result = runDialog([](TAuthForm& form) {
            auto* edit = child<QLineEdit>(&form, "edtPassword");
            QTest::keyClicks(edit, u"fridoletamunsk"_s);
            QTest::keyClick(edit, Qt::Key_Return);
        });
        QCOMPARE(result, mrOk);
    }

    void enterWithWrongPasswordShowsTheError()
    {
        TShownMessage shown;
        const int result = runDialog([&](TAuthForm& form) {
            auto* edit = child<QLineEdit>(&form, "edtPassword");
            QTest::keyClicks(edit, u"wrong"_s);
            dismissMessageBox(shown);
            QTest::keyClick(edit, Qt::Key_Enter);
            QCOMPARE(shown.text, u"Password errata!"_s);
            QCOMPARE(edit->text(), QString());
            QTest::mouseClick(child<QPushButton>(&form, "btnCancel"), Qt::LeftButton);
        });
        QCOMPARE(result, mrCancel);
    }

    void cancelCloses()
    {
        const int result = runDialog([](TAuthForm& form) {
            QTest::keyClicks(child<QLineEdit>(&form, "edtPassword"), u"Tarvoqin58!"_s);
            QTest::mouseClick(child<QPushButton>(&form, "btnCancel"), Qt::LeftButton);
        });
        QCOMPARE(result, mrCancel);
    }

    void escapeIsNotBound()
    {
        const int result = runDialog([](TAuthForm& form) {
            QTest::keyClick(child<QLineEdit>(&form, "edtPassword"), Qt::Key_Escape);
            QVERIFY(form.isVisible());
            QTest::mouseClick(child<QPushButton>(&form, "btnCancel"), Qt::LeftButton);
        });
        QCOMPARE(result, mrCancel);
    }

    // What the operator sees: a masked box with the focus, "Cancel" left of "OK".
    void presentsAMaskedBox()
    {
        runDialog([](TAuthForm& form) {
            auto* edit = child<QLineEdit>(&form, "edtPassword");
            QCOMPARE(form.windowTitle(), u"Password"_s);
            QCOMPARE(edit->echoMode(), QLineEdit::Password);
            QCOMPARE(form.focusWidget(), edit);
            QVERIFY(child<QPushButton>(&form, "btnCancel")->x() < child<QPushButton>(&form, "btnOK")->x());
            QTest::mouseClick(child<QPushButton>(&form, "btnCancel"), Qt::LeftButton);
        });
    }
};

QTEST_MAIN(AuthFormTest)
#include "AuthFormTest.moc"
