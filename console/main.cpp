// ecr17-console: a window for trying a card-payment terminal by hand.
#include "MainFormU.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    TMainForm MainForm;
    MainForm.show();
    return app.exec();
}
