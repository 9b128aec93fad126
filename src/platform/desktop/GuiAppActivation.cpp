#include "platform/desktop/GuiAppActivation.h"

#include <QGuiApplication>

GuiAppActivation::GuiAppActivation(QObject *parent) : AppActivation(parent)
{
    if (!qGuiApp)
        return;
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (state == Qt::ApplicationActive)
                    emit becameActive();
            });
}
