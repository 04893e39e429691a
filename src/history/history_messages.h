// What the history says to the seller, GBK. `path` names the file a message is about (the
// history or the queue); empty for the history beside the program.
#pragma once

#include <QString>
#include <string>

#include "history/history_record.h"

namespace tallivo {

struct PrintedBefore;

// The reprint question, No its default: caption and text naming the trade number, the time and
// the printer of the first print.
const std::string& ReprintCaption();
std::string ReprintQuestion(FormKind form, const PrintedBefore& earlier);

std::string HistoryWriteFailedMessage(const QString& path = QString());
std::string HistoryReadFailedMessage(const QString& path = QString());
std::string HistoryDamagedMessage(const QString& movedTo, const QString& path = QString());
std::string HistoryCannotMoveAsideMessage(const QString& path);
std::string HistoryTooNewMessage(const QString& path);
// The server could not be reached (or refused): `detail` (UTF-8) says why, without the
// password.
std::string HistoryServerMessage(const QString& server, const std::string& detail);
std::string HistoryQueuedMessage();
// Records the server refused, kept apart in `keptIn` so that the others go on.
std::string HistorySetAsideMessage(int count, const QString& keptIn, const std::string& why);
// Asked before a print when the server cannot be reached; No the default.
std::string PrintUncheckedQuestion(const std::string& why);

}  // namespace tallivo
