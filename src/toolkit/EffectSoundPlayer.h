#pragma once

#include "toolkit/SoundPlayer.h"

#include <QString>

#include <memory>

class QSoundEffect;

// The sound through Qt Multimedia; the sound module's player. The audio
// device is only opened at the first sound.
class EffectSoundPlayer final : public SoundPlayer
{
public:
    explicit EffectSoundPlayer(const QString &dataFolder);
    ~EffectSoundPlayer() override;

    void play(const QString &fileName) override;

    // The file a name stands for: absolute names as they are, others in
    // the data folder; empty for an empty name.
    static QString resolve(const QString &dataFolder, const QString &fileName);

private:
    QString m_dataFolder;
    std::unique_ptr<QSoundEffect> m_effect;
};
