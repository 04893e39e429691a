#pragma once

#include <QString>

namespace tallivo::browser {

// The main window's caption, which also names the single-instance channel.
inline constexpr char kApplicationTitle[] = "Tallivo--http://www.tallivo.example.com/";

// The one byte the running copy answers a record with: handled, or refused unread (unknown tag,
// over its limit, damaged). A connection closed without an answer lost its record.
inline constexpr char kReplyHandled = 1;
inline constexpr char kReplyRefused = 0;

// The local socket of a title for the current user. On Unix it is a full path in the user's
// runtime folder (private to the user, cleared at log-out); the file name is a hash of the title
// and the user, because a title holds characters a file name cannot, and socket paths are short.
QString HandoverServerName(const QString& title);

// The lock file held while a copy checks for a running one and starts listening.
QString HandoverLockPath(const QString& title);

}  // namespace tallivo::browser
