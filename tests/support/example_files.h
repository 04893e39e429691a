// The shipped example pages and starter content, as the tests read and copy them.
#pragma once

#include <QString>
#include <string>

namespace tallivo::testing {

// examples/<name>.
std::string ExamplePath(const char* name);
QString ExampleFile(const char* name);
// Its bytes: GBK, as the back office's pages are.
std::string ExampleBytes(const char* name);
// The page as the user pastes it.
QString Example(const char* name);

// Copies a folder and everything below it; false when anything could not be copied.
bool CopyFolder(const QString& from, const QString& to);
// A program folder holding the starter content.
bool CopyStarter(const QString& to);

}  // namespace tallivo::testing
