#include "toolkit/EffectSoundPlayer.h"

#include "core/Logging.h"

#include <QDir>
#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>

EffectSoundPlayer::EffectSoundPlayer(const QString &dataFolder) : m_dataFolder(dataFolder) {}

EffectSoundPlayer::~EffectSoundPlayer() = default;

QString EffectSoundPlayer::resolve(const QString &dataFolder, const QString &fileName)
{
    const QString name = fileName.trimmed();
    if (name.isEmpty())
        return {};
    return QDir(dataFolder).absoluteFilePath(name);
}

void EffectSoundPlayer::play(const QString &fileName)
{
    const QString file = resolve(m_dataFolder, fileName);
    if (file.isEmpty() || !QFileInfo(file).isFile()) {
        qCDebug(lcAlarm) << "no alarm sound at" << file;
        return;
    }
    if (!m_effect)
        m_effect = std::make_unique<QSoundEffect>();
    const QUrl source = QUrl::fromLocalFile(file);
    if (m_effect->source() != source)
        m_effect->setSource(source); // decoded in the background; play() then starts when ready
    if (m_effect->status() == QSoundEffect::Error) {
        qCDebug(lcAlarm) << "the alarm sound cannot be played:" << file;
        return;
    }
    m_effect->play();
}
