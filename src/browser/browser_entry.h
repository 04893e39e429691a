#pragma once

#include <QString>
#include <QStringList>

#include "browser/registry.h"
#include "text/message_sink.h"

namespace tallivo::browser {

// The context-menu key; its last part is the menu entry's text.
inline constexpr char kMenuExtKey[] =
    "\\Software\\Microsoft\\Internet Explorer\\MenuExt\\--Tallivo--";

// The native-messaging host as the browsers know it, and the extension allowed to call it.
inline constexpr char kNativeHostName[] = "com.example.tallivo";
inline constexpr char kChromiumExtensionId[] = "iogolapccnnkjbmmbonbhdbhocngokkc";
inline constexpr char kFirefoxExtensionId[] = "tallivo@tallivo.example.com";

// Where the browser entry lives for one program.
struct BrowserEntryPlace {
    QString program;     // full path of the `tallivo` executable
    QString host;        // full path of `tallivo-browser-host`; empty writes no host manifests
    QString configHome;  // the user's configuration folder (Chromium and Chrome read there)
    QString home;        // the home folder (Firefox reads ~/.mozilla)
    // Where "CapturePage.htm" goes: the program folder, which an installed program's own folder
    // is not; empty means beside the program.
    QString pageFolder;

    // The host beside the program, and the folders of the current user.
    static BrowserEntryPlace ForProgram(const QString& program);
};

// "CapturePage.htm" in the page folder, or beside the program.
QString CapturePageFile(const BrowserEntryPlace& place);

// The per-user native-messaging manifests: Chromium, Google Chrome, Firefox. None on Windows,
// where browsers find hosts through the registry and the page serves instead.
QStringList NativeHostManifestFiles(const BrowserEntryPlace& place);
// The manifest's JSON for Chromium-based browsers or for Firefox.
QByteArray NativeHostManifest(const QString& host, bool firefox);

struct HelpMenuState {
    bool installEnabled = false;
    bool uninstallEnabled = false;
};

// Looks at the key and the page only: Install unless both are there, Uninstall when either is.
HelpMenuState HelpMenuRule(Registry& registry, const BrowserEntryPlace& place);

// Writes the key with the page path as its default value, the page when none exists (an
// existing page is never touched), and the host manifests. A failure is shown through
// `prompter`; what was done before it stays done. True when everything was written.
bool InstallBrowserEntry(Registry& registry, const BrowserEntryPlace& place, Prompter& prompter);

// Asks first; on Yes deletes the page, the key and the host manifests. Failures are shown
// through `prompter`. True when the user said Yes and everything is gone.
bool UninstallBrowserEntry(Registry& registry, const BrowserEntryPlace& place, Prompter& prompter);

}  // namespace tallivo::browser
