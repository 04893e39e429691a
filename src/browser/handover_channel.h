#pragma once

#include <QString>

#include "tallivo_version.h"

namespace tallivo::browser {

// The main window's caption, which also names the single-instance channel.
using tallivo::kApplicationTitle;

// The one byte the running copy answers a record with: handled, or refused unread (unknown tag,
// over its limit, damaged). A connection closed without an answer lost its record.
inline constexpr char kReplyHandled = 1;
inline constexpr char kReplyRefused = 0;

// Where the channel's socket and lock live: a folder of the current user's own that nobody
// else may enter. The runtime folder when it is such a folder, else Tallivo's folder in the
// user's cache, made private; never a shared folder such as the temporary one.
struct ChannelFolder {
    QString folder;  // empty when there is none
    QString error;   // why not, for the user
    bool ok() const { return !folder.isEmpty(); }
};
ChannelFolder FindChannelFolder();

// The local socket of a title for the current user, as a full path in the channel folder (so
// that the local socket never falls back to a shared folder); empty when there is no such
// folder. The file name is a hash of the title and the user, because a title holds characters a
// file name cannot, and socket paths are short.
QString HandoverServerName(const QString& title);

// The lock file held while a copy checks for a running one and starts listening; empty as above.
QString HandoverLockPath(const QString& title);

}  // namespace tallivo::browser
