// What a process's token says: the account it runs under, its integrity
// level and whether it is elevated.
#include <cwchar>

#include "frame/owners.h"
#include "frame/plugin.h"
#include "procinfo/procinfo.h"

namespace {

// Room for the classes read here (a SID of at most 68 bytes and its
// header): a token answers into it at the first call.
constexpr DWORD FIRST_TOKEN_SIZE = 256;

// Reads one variable-sized token information class: into a block that
// fits every usual answer, and again into one of the size the token asked
// for when it did not. Empty on any failure.
vornel::unique_block<BYTE> ReadTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS kind)
{
    auto block = vornel::unique_block<BYTE>::allocate(FIRST_TOKEN_SIZE);
    if (!block)
        return {};
    DWORD size = 0;
    if (GetTokenInformation(token, kind, block.get(), FIRST_TOKEN_SIZE, &size))
        return block;
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size <= FIRST_TOKEN_SIZE)
        return {};
    block = vornel::unique_block<BYTE>::allocate(size);
    if (!block || !GetTokenInformation(token, kind, block.get(), size, &size))
        return {};
    return block;
}

}  // namespace

int GetProcessOwner(HANDLE process, wchar_t* owner)
{
    if (!process || !owner)
        return -1;
    owner[0] = L'\0';
    vornel::unique_handle token;
    if (!OpenProcessToken(process, TOKEN_QUERY, token.put()))
        return 0;
    return ReadTokenOwner(token.get(), owner);
}

int ReadTokenOwner(HANDLE token, wchar_t* owner)
{
    if (!token || !owner)
        return -1;
    owner[0] = L'\0';
    auto user = ReadTokenInformation(token, TokenUser);
    if (!user)
        return 0;
    PSID sid = reinterpret_cast<TOKEN_USER*>(user.get())->User.Sid;
    if (!IsValidSid(sid))
        return 0;

    ReadAccountName(sid, owner);
    return 0;
}

int GetProcessIntegrity(HANDLE process)
{
    if (!process)
        return -1;
    vornel::unique_handle token;
    if (!OpenProcessToken(process, TOKEN_QUERY, token.put()))
        return 0;
    return ReadTokenIntegrity(token.get());
}

int ReadTokenIntegrity(HANDLE token)
{
    if (!token)
        return -1;
    auto label = ReadTokenInformation(token, TokenIntegrityLevel);
    if (!label)
        return 0;
    PSID sid = reinterpret_cast<TOKEN_MANDATORY_LABEL*>(label.get())->Label.Sid;
    // The level is the label's first sub-authority, at byte 8 of the SID.
    if (!sid || !IsValidSid(sid) || *GetSidSubAuthorityCount(sid) < 1)
        return 0;
    return static_cast<int>(*GetSidSubAuthority(sid, 0));
}

int IsProcessElevated(DWORD processId)
{
    // Elevation exists from major version 6 on; older systems cannot tell.
    if (!OsIsVistaOrLater())
        return -1;
    vornel::unique_handle process = OpenProcessById(PROCESS_QUERY_LIMITED_INFORMATION, processId);
    if (!process)
        return -1;
    vornel::unique_handle token;
    if (!OpenProcessToken(process.get(), TOKEN_QUERY, token.put()))
        return -1;
    return ReadTokenElevation(token.get());
}

int ReadTokenElevation(HANDLE token)
{
    DWORD elevated = 0, size = 0;
    if (!token || !GetTokenInformation(token, TokenElevation, &elevated, sizeof elevated, &size))
        return -1;
    return elevated ? 1 : 0;
}
