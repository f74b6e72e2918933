#pragma once

#include <QString>

#include <memory>

class QSoundEffect;

// Plays a WAV file without waiting for it: the call returns at once, and a
// file that is missing or cannot be played plays nothing. Names that are not
// absolute are looked up in the data folder.
class SoundPlayer
{
public:
    virtual ~SoundPlayer() = default;
    virtual void play(const QString &fileName) = 0;
};

// The sound through Qt Multimedia. The audio device is only opened at the
// first sound, so a program that never beeps never pays for it.
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

// Copies the program's own chime to "Alarm.wav" in the data folder when no
// such file is there yet, so a fresh set-up has a sound. False when the copy
// could not be written (the program then simply stays silent).
bool installDefaultAlarmSound(const QString &dataFolder);
