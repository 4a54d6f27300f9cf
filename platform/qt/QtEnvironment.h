#pragma once
// The environment (platform/Environment.h) that both programs install at
// start, before their first window.
#include "platform/Environment.h"

// The hourglass as the application's wait cursor (TBusyCursor), the
// locale's decimal separator, the fonts of Qt's font database (after
// RegisterSymbolFonts) and the real dialogs. The error box stays empty: the window that started an
// operation shows the reader's QMError itself, once. Needs a QApplication.
TEnvironment QtEnvironment();
