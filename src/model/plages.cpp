#include "plages.h"

#include <QLocale>

namespace kv {

QString textePlage(const Plage& plage)
{
    const QLocale locale;
    const auto nombre = [&locale](double v) { return locale.toString(v, 'f', QLocale::FloatingPointShortest); };
    return QStringLiteral("entre %1 et %2 %3")
        .arg(nombre(plage.minimum), nombre(plage.maximum), QString::fromUtf8(plage.unite));
}

QString textePlage(const QString& champ, const Plage& plage)
{
    return champ + QStringLiteral(" : ") + textePlage(plage);
}

} // namespace kv
