#include "maillink.h"

#include "desktopopener.h"

#include <QRegularExpression>

namespace kv {

namespace {

QByteArray encodeField(const QString& text)
{
    // Everything but the unreserved characters is encoded, "+" included: some mail programs read
    // a bare "+" as a space.
    return QUrl::toPercentEncoding(text);
}

QString crlf(const QString& text)
{
    QString normalised = text;
    normalised.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    normalised.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    normalised.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return normalised;
}

} // namespace

bool MailLink::isAcceptableAddress(const QString& address)
{
    static const QRegularExpression forbidden(QStringLiteral("[?&%\\r\\n]"));
    return !address.contains(forbidden);
}

std::optional<QUrl> MailLink::build(const QString& address, const QString& subject, const QString& body,
                                    QString* error)
{
    if (!isAcceptableAddress(address)) {
        if (error)
            *error = QStringLiteral("L’adresse e-mail « %1 » contient un caractère interdit (?, &, % ou un "
                                    "retour à la ligne).")
                         .arg(QString(address).replace(QRegularExpression(QStringLiteral("[\\r\\n]+")),
                                                       QStringLiteral(" ")));
        return std::nullopt;
    }
    // "@" stays as it is; "+" and the other characters allowed in an address are kept too, the
    // rest is encoded.
    QByteArray link = "mailto:" + QUrl::toPercentEncoding(address.trimmed(), "@+!$'*=~,;");
    QByteArray query;
    if (!subject.isEmpty())
        query += "subject=" + encodeField(subject);
    if (!body.isEmpty())
        query += (query.isEmpty() ? "" : "&") + QByteArray("body=") + encodeField(crlf(body));
    if (!query.isEmpty())
        link += "?" + query;
    return QUrl::fromEncoded(link, QUrl::StrictMode);
}

bool MailLink::open(const QUrl& link)
{
    return DesktopOpener::openUrl(link);
}

bool MailLink::compose(const QString& address, const QString& subject, const QString& body, QString* error)
{
    const std::optional<QUrl> link = build(address, subject, body, error);
    if (!link)
        return false;
    if (!open(*link)) {
        if (error)
            *error = QStringLiteral("Impossible d’ouvrir le message dans l’application de messagerie.");
        return false;
    }
    return true;
}

} // namespace kv
