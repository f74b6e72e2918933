#include "toolkit/SoundPlayer.h"

#include "core/Error.h"
#include "core/Logging.h"
#include "core/ModuleLoader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

ModuleSoundPlayer::ModuleSoundPlayer(QString dataFolder, std::function<void(const QString &)> unavailable)
    : m_dataFolder(std::move(dataFolder)), m_unavailable(std::move(unavailable))
{
}

ModuleSoundPlayer::~ModuleSoundPlayer() = default;

void ModuleSoundPlayer::play(const QString &fileName)
{
    if (!m_player && !m_failed) {
        try {
            using Factory = SoundPlayer *(const QString &);
            auto *create = ModuleLoader().resolve<Factory>(u"sound"_s, "nw_create_sound_player");
            m_player.reset(create(m_dataFolder));
        } catch (const Error &e) {
            // Said once; the alarms go on without a sound.
            m_failed = true;
            qCWarning(lcAlarm) << "no sound:" << e.text();
            if (m_unavailable)
                m_unavailable(QCoreApplication::translate("SoundPlayer", "Sound is not available: %1").arg(e.text()));
        }
    }
    if (m_player)
        m_player->play(fileName);
}

bool installDefaultAlarmSound(const QString &dataFolder)
{
    const QString target = QDir(dataFolder).filePath(QStringLiteral("Alarm.wav"));
    if (QFileInfo::exists(target))
        return true;
    if (!QFile::copy(QStringLiteral(":/sounds/Alarm.wav"), target)) {
        qCWarning(lcAlarm) << "could not write" << target;
        return false;
    }
    // Resources are read-only; the user's copy is theirs to replace.
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    return true;
}
