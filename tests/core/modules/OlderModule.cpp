// A module left behind by another version of the program.

#define NW_MODULE_EXPORT extern "C" __attribute__((visibility("default")))

NW_MODULE_EXPORT const char *nw_module_version()
{
    return "0.9.0.0";
}

NW_MODULE_EXPORT int nw_answer(int question)
{
    return question;
}
