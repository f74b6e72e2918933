// The sound module, libnw_sound.so: the player with Qt Multimedia.

#include "core/ModuleExport.h"
#include "toolkit/EffectSoundPlayer.h"

NW_MODULE_EXPORT SoundPlayer *nw_create_sound_player(const QString &dataFolder)
{
    return new EffectSoundPlayer(dataFolder);
}
