#pragma once

#include <cups/cups.h>

#include <string>

namespace tallivo {

// The CUPS client functions a print job uses, from the library opened on first use. Linked
// directly, libcups brings its TLS, Kerberos and Avahi libraries into every start of the window,
// about a tenth of its time to the first paint, for a program that prints only now and then.
struct CupsLibrary {
    decltype(&::cupsAddOption) addOption = nullptr;
    decltype(&::cupsCancelJob2) cancelJob2 = nullptr;
    decltype(&::cupsDoRequest) doRequest = nullptr;
    decltype(&::cupsFreeOptions) freeOptions = nullptr;
    decltype(&::cupsLastErrorString) lastErrorString = nullptr;
    decltype(&::cupsPrintFile2) printFile2 = nullptr;
    decltype(&::cupsUser) user = nullptr;
    decltype(&::httpAssembleURIf) httpAssembleURIf = nullptr;
    decltype(&::ippAddString) ippAddString = nullptr;
    decltype(&::ippAddStrings) ippAddStrings = nullptr;
    decltype(&::ippDelete) ippDelete = nullptr;
    decltype(&::ippFindAttribute) ippFindAttribute = nullptr;
    decltype(&::ippGetCount) ippGetCount = nullptr;
    decltype(&::ippGetInteger) ippGetInteger = nullptr;
    decltype(&::ippGetStatusCode) ippGetStatusCode = nullptr;
    decltype(&::ippGetString) ippGetString = nullptr;
    decltype(&::ippNewRequest) ippNewRequest = nullptr;
};

// Null when the library cannot be opened or lacks a function; *error then says why.
const CupsLibrary* OpenCupsLibrary(std::string* error);

}  // namespace tallivo
