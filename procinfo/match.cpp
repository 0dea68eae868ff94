// Pattern lists: "|"-separated alternatives over the host's wildcard
// comparison, tried from left to right, the first match winning.
#include <cwchar>
#include <new>

#include "frame/host.h"
#include "frame/owners.h"
#include "procinfo/procinfo.h"

namespace {

// Longest alternative the comparison is given; longer ones are cut.
constexpr size_t MAX_ALTERNATIVE = PATH_BUFFER_SIZE - 1;

}  // namespace

int MatchProcessName(const wchar_t* patternList, const wchar_t* text)
{
    if (!patternList || !text)
        return -1;
    if (!wcschr(patternList, L'|'))
        return WildcardComparison(patternList, text, 0, 1);

    // No alternative is longer than the list, so a block of the list's
    // length (up to the cap) always holds one.
    size_t length = wcslen(patternList);
    size_t capacity = (length < MAX_ALTERNATIVE ? length : MAX_ALTERNATIVE) + 1;
    // Without it no alternative can be compared. No answer would do: every
    // caller reads "no match" as "leave the process or service out", which
    // would drop it from a listing that still ends in success. The command
    // ends instead (each export turns the exception into its failure result).
    auto alternative = vornel::unique_block<wchar_t>::allocate(capacity * sizeof(wchar_t));
    if (!alternative)
        throw std::bad_alloc();

    int pending = -2;
    size_t used = 0;
    for (const wchar_t* p = patternList;; ++p) {
        if (*p != L'|' && *p != L'\0') {
            if (used < capacity - 1)
                alternative[used++] = *p;
            continue;
        }
        if (used > 0) {
            alternative[used] = L'\0';
            int result = WildcardComparison(alternative.get(), text, 0, 1);
            if (result == 0)
                return 0;
            pending = result;
            used = 0;
        }
        if (*p == L'\0')
            return pending;
    }
}
