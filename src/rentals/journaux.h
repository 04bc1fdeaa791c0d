#pragma once

// The two log categories of the rental screens: "<bundle>.UI" and "<bundle>.Location", where
// the bundle is the application's identifier ("TAV.Kestrovan" when it has none).

#include <QLoggingCategory>

namespace kv {

const QLoggingCategory& uiLogger();
const QLoggingCategory& locationLogger();

// Writes one line to the standard output (UTF-8) and flushes it.
void ligneSortie(const QString& ligne);

} // namespace kv
