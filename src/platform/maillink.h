#pragma once

// Prepared e-mails as mailto links: the address, the subject and the body are each
// percent-encoded on their own, so that no character of one ("&", "=", "?", "#", "%", "+", line
// ends) can cut another or add a field. The link is handed to the user's mail application through
// the desktop opener (replaceable by tests).

#include <QString>
#include <QUrl>

#include <optional>

namespace kv {

class MailLink {
public:
    // An address may not hold "?", "&", "%", a CR or an LF: those would add fields or lines to
    // the link. Blanks at both ends are ignored; an empty address is acceptable (the user fills it).
    static bool isAcceptableAddress(const QString& address);

    // "mailto:" + the address, then "subject=" and "body=" when not empty. Line ends of the body
    // (LF, CR or CR LF) are all sent as CR LF (%0D%0A). None, with the reason in French, for an
    // unacceptable address.
    static std::optional<QUrl> build(const QString& address, const QString& subject = {},
                                     const QString& body = {}, QString* error = nullptr);

    // Opens a link; true when the system took it.
    static bool open(const QUrl& link);

    // Builds and opens; false with the reason in French when the address is refused or the
    // system could not open the link.
    static bool compose(const QString& address, const QString& subject, const QString& body,
                        QString* error = nullptr);
};

} // namespace kv
