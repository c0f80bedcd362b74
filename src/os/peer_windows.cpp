#include "os/peer.h"

#include <windows.h>

#include <sddl.h>

#include <vector>

namespace skerrow {

std::string UserKey()
{
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token))
        return {};
    std::string key;
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> user(size);
    if (size > 0 && ::GetTokenInformation(token, TokenUser, user.data(), size, &size)) {
        LPSTR text = nullptr;
        if (::ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &text)) {
            key = text;
            ::LocalFree(text);
        }
    }
    ::CloseHandle(token);
    return key;
}

// The runtime folder is a freedesktop notion; the channel is a named pipe, and needs no folder.
bool FolderPrivateToUser(const std::string&)
{
    return false;
}

std::string PrivateFolder(const std::string& parent, const std::string&)
{
    return parent;
}

void LetPeerTakeForeground()
{
    // Granted to any program, not the listener alone: it lapses at the user's next input anyway.
    ::AllowSetForegroundWindow(ASFW_ANY);
}

// A named pipe is created with a security descriptor that admits its creator's account only, and
// its name holds that account's identifier: no other user can stand at either end.
bool SocketPathUsable(const std::string&)
{
    return true;
}
bool PeerIsSameUser(int)
{
    return true;
}

// One starting program at a time is not enforced here yet: two programs started in the same
// instant may each open a window.
int TakeStartUpLock(const std::string&, int)
{
    return -1;
}
void ReleaseStartUpLock(int) {}

}  // namespace skerrow
