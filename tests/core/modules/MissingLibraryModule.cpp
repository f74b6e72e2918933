// A module whose own library is missing where it is loaded.

#include "core/ModuleExport.h"

int neededFunction(int);

NW_MODULE_EXPORT int nw_answer(int question)
{
    return neededFunction(question);
}
