#pragma once

#include "store/TaskSource.h"

#include <QString>

#include <memory>

// The Tasks table of a Windows version's database (a Jet file), read by the
// Jet module (libnw_jet.so: JetReader with mdbtools), loaded at the first
// import. Throws Error when the file cannot be read, or, saying that
// importing is not available and why, when the module cannot be loaded.
std::unique_ptr<TaskSource> openJetTasks(const QString &file);
