#pragma once

#include <QUrl>

// Opens web addresses and local pages with the desktop's default handler.
// Everything the program opens goes through one of these, so tests can
// record instead of starting a browser.
class UrlOpener
{
public:
    virtual ~UrlOpener() = default;
    // False when the desktop could not open the address.
    virtual bool open(const QUrl &url) = 0;
};

class DesktopUrlOpener final : public UrlOpener
{
public:
    bool open(const QUrl &url) override;
};
