#pragma once

#include "tray/FilePicking.h"

/// The desktop's file chooser: Qt's file dialog, which hands over to the
/// desktop portal where the session offers one.
class TrayFileDialog final : public FilePicking
{
public:
    void pickFiles(QWidget *parent, std::function<void(QList<QUrl>)> chosen) override;
};
