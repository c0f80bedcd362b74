#pragma once

// The local channel between a started window program and the one already running for the same
// user: who may be at the other end, and the lock that lets one starting program at a time decide
// whether it becomes the window or hands its files over.

#include <string>

namespace skerrow {

// Names the calling user in a channel's name: the user id on POSIX systems, the account's security
// identifier on Windows. Empty when it cannot be told.
std::string UserKey();

// True when path is a folder, not a link, that the calling user owns and nobody else may enter.
bool FolderPrivateToUser(const std::string& path);

// A folder of the calling user's own named name below parent (a shared folder such as /tmp), made
// with no rights for anyone else when missing, for the channel when there is no private runtime
// folder. Empty when something else stands at that name (another user's folder, a link, a file,
// a folder others may enter): a name anyone could have planted is never used. On Windows, whose
// channel needs no folder, parent itself.
std::string PrivateFolder(const std::string& parent, const std::string& name);

// Lets whichever program we hand files to bring its window to the front, which the user's launch
// of this one entitles it to: Windows gives the foreground only to the program the user started
// last, or to one it allows. Elsewhere the activation token does that, and this does nothing.
void LetPeerTakeForeground();

// True when path names a socket owned by the calling user, or nothing at all (a channel may be
// made there). A link is never followed: whatever it points to is not ours to use.
bool SocketPathUsable(const std::string& path);

// True when the process at the other end of the connected local socket descriptor runs as the
// calling user; false for anyone else and for a descriptor whose peer cannot be told.
bool PeerIsSameUser(int descriptor);

// The start-up lock in the file at path, created for the calling user if missing. Waits at most
// timeoutMilliseconds for another holder to let go. Returns the descriptor that holds it, or -1
// when it could not be taken in time or the file is not the user's own (never through a link).
// Ending the process lets go of it too.
int TakeStartUpLock(const std::string& path, int timeoutMilliseconds);

// Lets go of a lock TakeStartUpLock returned; -1 is ignored.
void ReleaseStartUpLock(int descriptor);

}  // namespace skerrow
