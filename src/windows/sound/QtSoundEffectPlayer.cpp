// The sound player over Qt Multimedia, built as a module of its own: Qt
// Multimedia brings the sound server's client library and Qt Network with
// it, which the program loads at the first sound instead of at every start.
#include "base/Seams.h"

#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>

#include <memory>

namespace {

class QtSoundEffectPlayer : public SoundPlayer
{
public:
    void play(const QString &waveFile) override
    {
        // A fresh effect per sound: stopping the old one cuts it off, and a
        // file that cannot be decoded just stays silent.
        if (m_effect)
            m_effect->stop();
        m_effect = std::make_unique<QSoundEffect>();
        m_effect->setSource(QUrl::fromLocalFile(QFileInfo(waveFile).absoluteFilePath()));
        m_effect->play();
    }

private:
    std::unique_ptr<QSoundEffect> m_effect;
};

} // namespace

extern "C" Q_DECL_EXPORT SoundPlayer *zirk_create_sound_player()
{
    return new QtSoundEffectPlayer;
}
