#pragma once

#include <QString>

class InstanceGuard;
class Prompter;

// One running copy per user: the copy is named after the application title
// and the user, wherever its executable lies, and its lock and socket live
// in the user's runtime folder.
QString instanceName();
QString instanceFolder();

// True when this is the only running copy. Otherwise tells the user that
// the program is already open, asks the running copy to bring its window
// forward and returns false: this copy then ends without writing anything.
bool claimSingleInstance(InstanceGuard &guard, Prompter &prompter);
