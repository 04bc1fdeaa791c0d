#include "journaux.h"

#include <QCoreApplication>

#include <cstdio>

namespace kv {

namespace {

QByteArray nomCategorie(const char* categorie)
{
    QString bundle;
    if (QCoreApplication::instance()) {
        const QString org = QCoreApplication::organizationName();
        const QString app = QCoreApplication::applicationName();
        if (!org.isEmpty() && !app.isEmpty())
            bundle = org + QLatin1Char('.') + app;
    }
    if (bundle.isEmpty())
        bundle = QStringLiteral("TAV.Kestrovan");
    return (bundle + QLatin1Char('.') + QLatin1String(categorie)).toUtf8();
}

} // namespace

const QLoggingCategory& uiLogger()
{
    // Created on first use; the name must outlive the category.
    static const QByteArray nom = nomCategorie("UI");
    static const QLoggingCategory categorie(nom.constData());
    return categorie;
}

const QLoggingCategory& locationLogger()
{
    static const QByteArray nom = nomCategorie("Location");
    static const QLoggingCategory categorie(nom.constData());
    return categorie;
}

void ligneSortie(const QString& ligne)
{
    std::fputs(ligne.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace kv
