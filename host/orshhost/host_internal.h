// Shared between the stand-in host's own files.
#pragma once

// Forgets the attribute last reported through SetColors.
void ResetLastColors();
