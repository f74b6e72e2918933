#pragma once

#include <QUrl>

// Every web address the program opens or reads, in one place. None is built
// in: a build names the program's home page (-DNW_HOME_URL=https://...) and
// the update check's description (-DNW_UPDATE_URL=https://...) when it has
// them; without one, nothing shows or opens the pages that hang on it.
namespace WebAddresses {
// The home page: the About box's web site and message, the update balloon,
// the address at the foot of printed reports. Empty when none was set.
QUrl homePage();
// Pages under the home page; each empty without a home page.
// The online help, opened when the help page installed with the program is missing.
QUrl helpPage();
QUrl supportPage();
// The page about the product, behind the button under the notes panel.
QUrl productPage();
// The product description whose Program_Version names the published version,
// as set when the program was built; empty when none was set, and then the
// program offers no update check.
QUrl updateDescriptor();
}

// The help page installed with the program (share/nudgewick/help.html
// beside its bin folder, or help.html beside the executable in a build),
// else the online help (empty when the build names no home page).
QUrl helpPageAddress(const QString &executableFolder);
