// The library the module above needs; it is not where the module is loaded.

int neededFunction(int question)
{
    return question + 1;
}
