// The Jet module, libnw_jet.so: the Windows version's database read with
// mdbtools.

#include "core/ModuleExport.h"
#include "store/JetReader.h"

// Throws Error, as JetReader does, when the file cannot be read.
NW_MODULE_EXPORT TaskSource *nw_open_jet_tasks(const QString &file)
{
    return new JetReader(file);
}
