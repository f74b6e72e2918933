#include "store/JetTasks.h"

#include "core/Error.h"
#include "core/ModuleLoader.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

std::unique_ptr<TaskSource> openJetTasks(const QString &file)
{
    using Factory = TaskSource *(const QString &);
    Factory *open = nullptr;
    try {
        open = ModuleLoader().resolve<Factory>(u"jet"_s, "nw_open_jet_tasks");
    } catch (const Error &e) {
        throw Error(QCoreApplication::translate("JetTasks", "Importing Windows databases is not available: %1")
                        .arg(e.text()));
    }
    return std::unique_ptr<TaskSource>(open(file));
}
