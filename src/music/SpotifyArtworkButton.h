#pragma once

#include <QAbstractButton>
#include <QImage>

/// The cover on the now-playing card, or the record art while there is none.
class SpotifyArtworkButton final : public QAbstractButton
{
public:
    SpotifyArtworkButton(const QColor &accent, QWidget *parent = nullptr);

    void setArtwork(const QImage &artwork);
    bool showsRecordArt() const { return m_artwork.isNull(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    const QColor m_accent;
    QImage m_artwork;
};
