#pragma once

#include <QString>

#include <functional>
#include <memory>

// Plays a WAV file without waiting for it: the call returns at once, and a
// file that is missing or cannot be played plays nothing. Names that are not
// absolute are looked up in the data folder.
class SoundPlayer
{
public:
    virtual ~SoundPlayer() = default;
    virtual void play(const QString &fileName) = 0;
};

// The program's sound: the sound module (libnw_sound.so, the player of
// EffectSoundPlayer.h with Qt Multimedia and the audio stack under it) is
// loaded at the first sound, so a program that never beeps never pays for
// it. When the module cannot be loaded, `unavailable` is told why, once, and
// the program stays silent.
class ModuleSoundPlayer final : public SoundPlayer
{
public:
    ModuleSoundPlayer(QString dataFolder, std::function<void(const QString &text)> unavailable);
    ~ModuleSoundPlayer() override;

    void play(const QString &fileName) override;
    bool isLoaded() const { return m_player != nullptr; }

private:
    QString m_dataFolder;
    std::function<void(const QString &)> m_unavailable;
    std::unique_ptr<SoundPlayer> m_player;
    bool m_failed = false;
};

// Copies the program's own chime to "Alarm.wav" in the data folder when no
// such file is there yet, so a fresh set-up has a sound. False when the copy
// could not be written (the program then simply stays silent).
bool installDefaultAlarmSound(const QString &dataFolder);
