#pragma once

class QTranslator;

namespace tallivo {

// Installs Qt's own Chinese texts (button captions, standard dialogs) into the running
// application: the interface is Chinese whatever the user's locale. Returns the installed
// translator, owned by the application, or null when the translations are not installed.
QTranslator* LoadQtChineseTranslations();

}  // namespace tallivo
