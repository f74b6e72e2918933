#pragma once

#include "toolkit/UrlOpener.h"

#include <QList>

// A UrlOpener for tests: records every address and opens nothing.
class RecordingUrlOpener final : public UrlOpener
{
public:
    QList<QUrl> opened;
    bool open(const QUrl &url) override
    {
        opened << url;
        return true;
    }
};
