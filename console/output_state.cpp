// The per-command output state and the fallback colours chosen by the
// normal background when the user set no highlight of their own.
#include "console/console.h"

BYTE NormalColor = 0, HighlightColor = 0, AltColor = 0;
BYTE ReverseNormalColor = 0, ReverseHighlightColor = 0, ReverseAltColor = 0;
unsigned int PageLines = 0, LinesLeft = 0, PauseTime = 0;

// Every entry keeps its index as the background. A and B also colour the ^C mark.
const BYTE HighlightTableA[16] = {0x0F, 0x1F, 0x2F, 0x3F, 0x4F, 0x5F, 0x6F, 0x70,
                                  0x8F, 0x9F, 0xA0, 0xB0, 0xCF, 0xD0, 0xE0, 0xF2};
const BYTE HighlightTableB[16] = {0x0E, 0x1B, 0x2B, 0x3E, 0x4B, 0x5B, 0x6B, 0x79,
                                  0x8B, 0x9B, 0xA9, 0xB9, 0xC0, 0xDE, 0xEC, 0xF0};
const BYTE HighlightTableC[16] = {0x0B, 0x16, 0x20, 0x30, 0x40, 0x50, 0x60, 0x74,
                                  0x80, 0x90, 0xAF, 0xBF, 0xCD, 0xD6, 0xE4, 0xF4};

void ResetOutputState()
{
    PageLines = 0;
    LinesLeft = 0;
    PauseTime = 0;
    CtrlCSeen = 0;
}
