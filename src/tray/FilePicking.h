#pragma once

#include <QList>
#include <QUrl>

#include <functional>

class QWidget;

/// Asks the user for files to add to the tray, without blocking.
class FilePicking
{
public:
    virtual ~FilePicking() = default;

    /// Shows the desktop's file chooser over `parent`; `chosen` runs once,
    /// when it closes, with the chosen files (none when it was cancelled).
    virtual void pickFiles(QWidget *parent, std::function<void(QList<QUrl>)> chosen) = 0;
};
