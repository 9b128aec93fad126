#pragma once

#include <QObject>

class AppDelegate : public QObject
{
    Q_OBJECT

public:
    static int runApplication(int argc, char **argv);
};
