#pragma once

#include <QString>
#include <QStringList>

#include <type_traits>

// The program's heavy parts (sound, printing, the network, the Windows
// database and iCalendar readers) are shared modules, libnw_<name>.so, loaded
// the first time they are needed, so a start that never uses them never loads
// their libraries. Each module exports nw_module_version() (see
// ModuleExport.h) and one or more extern "C" factories.
//
// A module is looked for in these folders, in this order:
// - $NUDGEWICK_MODULE_DIR when set (the tests point it at the build tree);
// - the executable's folder (a build tree);
// - the install's module folder, found relative to the executable
//   (<prefix>/bin/../<libdir>/nudgewick).
// A module once loaded stays loaded: the objects it made live on in the
// program.
class ModuleLoader
{
public:
    ModuleLoader();
    explicit ModuleLoader(QStringList folders);

    // The folders of the running program, as listed above.
    static QStringList standardFolders();
    const QStringList &folders() const { return m_folders; }
    // libnw_<name>.so
    static QString fileName(const QString &name);

    // The address of an exported function of the module, typed. Throws
    // Error, saying why in words, when the module is missing, cannot be
    // loaded (a library it needs is missing), belongs to another version of
    // the program or lacks the function.
    template <typename Function>
        requires std::is_function_v<Function>
    Function *resolve(const QString &name, const char *symbol) const
    {
        return reinterpret_cast<Function *>(resolveAddress(name, symbol));
    }

private:
    void (*resolveAddress(const QString &name, const char *symbol) const)();

    QStringList m_folders;
};
