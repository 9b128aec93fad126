#include "platform/desktop/QtPointerSource.h"

#include <QCursor>
#include <QGuiApplication>

QPointF QtPointerSource::globalPosition() const
{
    return QPointF(QCursor::pos());
}

PointerSource::Modifiers QtPointerSource::modifiers() const
{
    const Qt::KeyboardModifiers held = QGuiApplication::queryKeyboardModifiers();
    Modifiers result;
    result.setFlag(Modifier::Shift, held & Qt::ShiftModifier);
    result.setFlag(Modifier::Control, held & Qt::ControlModifier);
    result.setFlag(Modifier::Alt, held & Qt::AltModifier);
    result.setFlag(Modifier::Super, held & Qt::MetaModifier);
    return result;
}
