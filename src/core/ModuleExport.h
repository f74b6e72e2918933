#pragma once

// Included by exactly one source file of each module (it defines the
// module's version function): the loader refuses a module built for another
// version of the program, since the interfaces between them may differ.
// Modules are built with hidden visibility; only what is marked
// NW_MODULE_EXPORT is seen by the loader.
#define NW_MODULE_EXPORT extern "C" __attribute__((visibility("default")))

NW_MODULE_EXPORT const char *nw_module_version()
{
    return NW_VERSION_TEXT;
}
