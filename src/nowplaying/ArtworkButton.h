#pragma once

#include "ui/CrestPressButton.h"

#include <QImage>

/// The cover on the now-playing card, or the record art while there is none.
class ArtworkButton final : public CrestPressButton
{
public:
    ArtworkButton(const QColor &accent, QWidget *parent = nullptr);

    void setArtwork(const QImage &artwork);
    bool showsRecordArt() const { return m_artwork.isNull(); }

protected:
    void paintLabel(QPainter &painter) override;

private:
    const QColor m_accent;
    QImage m_artwork;
};
