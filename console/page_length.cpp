// The page length from the visible rows of the console window.
#include "console/console.h"

unsigned int SetPageLength(unsigned int requested)
{
    PageLines = 0;
    LinesLeft = 0;
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info))
        return 0;
    // Tiny or huge windows get no paging: the prompt would be useless there.
    int rows = info.srWindow.Bottom - info.srWindow.Top + 1;
    if (rows < 10 || rows > 100)
        return 0;
    unsigned int lines = requested >= 3 && requested < (unsigned)rows ? requested : (unsigned)rows - 2;
    PageLines = lines;
    LinesLeft = lines;
    return lines;
}
