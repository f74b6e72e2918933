// A module of this version of the program with one function.

#include "core/ModuleExport.h"

NW_MODULE_EXPORT int nw_answer(int question)
{
    return question * 2;
}
