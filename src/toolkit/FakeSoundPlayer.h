#pragma once

#include "toolkit/SoundPlayer.h"

#include <QStringList>

// A SoundPlayer for tests: remembers every file it was asked to play.
class FakeSoundPlayer final : public SoundPlayer
{
public:
    QStringList played;
    void play(const QString &fileName) override { played << fileName; }
};
