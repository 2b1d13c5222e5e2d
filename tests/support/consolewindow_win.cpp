// A script that says whether it was given a console window of its own: a title of "window" or
// "no window".
#include <windows.h>

#include <cstdio>

int main()
{
    std::puts(GetConsoleWindow() ? "setTitle window" : "setTitle no window");
    return 0;
}
