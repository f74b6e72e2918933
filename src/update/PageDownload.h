#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <functional>

// One web page fetched into memory in the background, on the calling
// thread's event loop. The program gets its downloads from the network
// module (libnw_network.so, Qt Network and the libraries under it), loaded
// at the first download.
class PageDownload
{
public:
    enum class Failure {
        None,
        NotConnected, // the site could not be reached at all, or the time ran out
        Unreadable,   // a server answered, but not with the page (an error status, a redirect loop, not HTTP)
        TooLarge,     // the page is larger than the limit; it was not read any further
    };
    struct Result
    {
        QUrl url;
        QByteArray body;
        Failure failure = Failure::None;
        QString detail; // what went wrong, for the log
    };

    virtual ~PageDownload() = default;

    // Starts fetching url; one fetch at a time. `done` is called once, from
    // the event loop, never from within start(). A download destroyed before
    // it is done is abandoned and `done` is not called.
    virtual void start(const QUrl &url, int timeoutMs, qint64 sizeLimit, std::function<void(const Result &)> done) = 0;
};
