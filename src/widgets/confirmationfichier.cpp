#include "confirmationfichier.h"

#include "platform/desktopopener.h"
#include "widgets/forms/editorframe.h"
#include "widgets/icons.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace kv {

namespace {

// A path may run long without a blank (a client's name in a file name): the line may break after
// any separator, so that it never widens the screen; a date or a number (« 09-12-2026 », « 2.5 »)
// stays whole.
QString coupableAuxSeparateurs(const QString& texte)
{
    QString out;
    out.reserve(texte.size() + texte.size() / 8);
    for (qsizetype i = 0; i < texte.size(); ++i) {
        const QChar c = texte[i];
        out.append(c);
        const bool dansUnNombre = (c == QLatin1Char('-') || c == QLatin1Char('.')) && i > 0 && i + 1 < texte.size()
            && texte[i - 1].isDigit() && texte[i + 1].isDigit();
        if (!dansUnNombre
            && (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char('-') || c == QLatin1Char('_')
                || c == QLatin1Char('.')))
            out.append(QChar(0x200B)); // zero-width space
    }
    return out;
}

} // namespace

ConfirmationFichier::ConfirmationFichier(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("confirmationFichier"));
    // The button beside the line, or under it where the line would keep too little room.
    auto* ligne = new forms::TrailingWrapLayout(this);
    ligne->setContentsMargins(0, 0, 0, 0);
    ligne->setSpacing(6);
    ligne->setLeadReadableWidth(160);
    m_texte = new QLabel(this);
    m_texte->setTextFormat(Qt::PlainText); // names as typed
    m_texte->setWordWrap(true);
    m_texte->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_afficher = new QPushButton(symbolIcon(QStringLiteral("folder")), DesktopOpener::revealLabel(), this);
    m_afficher->setObjectName(QStringLiteral("afficherDansLeDossier"));
    ligne->setLead(m_texte);
    auto* bouton = new QWidgetItem(m_afficher);
    bouton->setAlignment(Qt::AlignTop); // level with the line's first row however many it takes
    ligne->setTrail(bouton);
    connect(m_afficher, &QPushButton::clicked, this, &ConfirmationFichier::afficherDansLeDossier);
    hide();
}

void ConfirmationFichier::montrer(const QString& chemin, const QString& detail)
{
    m_chemin = chemin;
    const QFileInfo info(chemin);
    QString texte = QStringLiteral("« %1 » enregistré dans « %2 »")
                        .arg(info.fileName(), QDir::toNativeSeparators(info.absolutePath()));
    texte += detail.isEmpty() ? QStringLiteral(".") : QStringLiteral(" : ") + detail + QLatin1Char('.');
    m_confirmation = texte;
    afficherTexte(texte);
}

void ConfirmationFichier::afficherTexte(const QString& texte)
{
    m_texte->setText(coupableAuxSeparateurs(texte));
    show();
}

QString ConfirmationFichier::texte() const
{
    return QString(m_texte->text()).remove(QChar(0x200B));
}

bool ConfirmationFichier::afficherDansLeDossier()
{
    if (DesktopOpener::reveal(m_chemin)) {
        // A failure said earlier is over.
        if (!m_confirmation.isEmpty())
            afficherTexte(m_confirmation);
        return true;
    }
    // What was written stays on the line: the failure only adds why the folder did not open.
    const QString echec = DesktopOpener::revealFailedText(m_chemin);
    afficherTexte(m_confirmation.isEmpty() ? echec : m_confirmation + QLatin1Char('\n') + echec);
    return false;
}

void ConfirmationFichier::montrerDossierInaccessible(const QString& chemin)
{
    m_chemin = chemin;
    m_confirmation.clear();
    afficherTexte(DesktopOpener::revealFailedText(chemin));
}

} // namespace kv
