// The history's tables, one text for both engines: the few differences are filled in per engine.
#pragma once

#include <QStringList>

namespace tallivo {

enum class SqlDialect { kSqlite, kPostgres };

// The statements that bring tables of `fromVersion` (0: none yet) to the version this program
// writes, in order. Keeping the version number itself is left to each engine.
QStringList SchemaStatements(SqlDialect dialect, int fromVersion);

}  // namespace tallivo
