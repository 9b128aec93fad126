#include "app/AppDelegate.h"

#include <QApplication>

int AppDelegate::runApplication(int argc, char **argv)
{
    QApplication app(argc, argv);
    return app.exec();
}
