#include "nowplaying/VolumeStrip.h"

#include "nowplaying/PlayerSymbolButton.h"
#include "nowplaying/VolumeSliderView.h"
#include "players/model/VolumeController.h"
#include "ui/CrestStyle.h"

#include <QHBoxLayout>

namespace {

using namespace Qt::StringLiterals;

constexpr int kSymbolPoints = 9;
constexpr QSize kMuteFrame(18, 18);

} // namespace

VolumeStrip::VolumeStrip(VolumeController &controller, QWidget *parent)
    : QWidget(parent), m_controller(controller),
      m_mute(new PlayerSymbolButton(kSymbolPoints, kMuteFrame, this)),
      m_slider(new VolumeSliderView(this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_mute);
    layout->addWidget(m_slider, 1);
    m_slider->setController(&controller);
    connect(m_mute, &QAbstractButton::clicked, this, [this] {
        if (m_controller.level() && !m_controller.isDragging())
            m_controller.toggleMute();
    });
    for (auto changed :
         {&VolumeController::levelChanged, &VolumeController::isDraggingChanged,
          &VolumeController::isWritingChanged, &VolumeController::errorMessageChanged})
        connect(&controller, changed, this, &VolumeStrip::refresh);
    refresh();
}

QString VolumeStrip::symbol(std::optional<int> level)
{
    if (!level || *level < 1)
        return u"speaker.slash.fill"_s;
    if (*level < 35)
        return u"speaker.wave.1.fill"_s;
    if (*level < 70)
        return u"speaker.wave.2.fill"_s;
    return u"speaker.wave.3.fill"_s;
}

void VolumeStrip::refresh()
{
    const std::optional<int> level = m_controller.level();
    const bool muted = level == 0;
    m_mute->setSymbol(symbol(level));
    m_mute->setForeground(muted ? CrestStyle::accent : CrestStyle::secondary);
    m_mute->setLabel(m_controller.muteHelp(),
                     (muted ? u"Unmute "_s : u"Mute "_s) + m_controller.playerName());
    m_mute->setEnabled(m_controller.isAvailable() && !m_controller.isDragging());
    m_slider->refresh();
}
