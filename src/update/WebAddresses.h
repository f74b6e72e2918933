#pragma once

#include <QUrl>

// Every web address the program opens or reads, in one place.
namespace WebAddresses {
// The home page: the About box's web site and message, the update balloon.
inline QUrl homePage() { return QUrl(QStringLiteral("https://nudgewick.example.org/")); }
// The online help, opened when the help page installed with the program is missing.
inline QUrl helpPage() { return QUrl(QStringLiteral("https://nudgewick.example.org/help/")); }
inline QUrl supportPage() { return QUrl(QStringLiteral("https://nudgewick.example.org/support/")); }
// The page about the product, behind the button under the notes panel.
inline QUrl productPage() { return QUrl(QStringLiteral("https://nudgewick.example.org/about/")); }
// The product description whose Program_Version names the published version,
// as set when the program was built; empty when none was set, and then the
// program offers no update check.
QUrl updateDescriptor();
}

// The help page installed with the program (share/nudgewick/help.html
// beside its bin folder, or help.html beside the executable in a build),
// else the online help.
QUrl helpPageAddress(const QString &executableFolder);
