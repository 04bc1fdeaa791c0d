#include "bilantransmission.h"

#include "platform/filehelpers.h"
#include "widgets/plaintext.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QDir>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace kv {

namespace {

// A driver's name is shown on one line: a long one is cut, whole in its tool tip.
constexpr int kLargeurNom = 260;
// The list of messages shows this much before it scrolls.
constexpr int kHauteurMax = 240;

QLabel* texteSimple(const QString& texte, QWidget* parent)
{
    auto* label = new QLabel(texte, parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

BilanTransmissionDialog::BilanTransmissionDialog(const BilanTransmission& bilan, const QDateTime& date,
                                                 QWidget* parent)
    : QDialog(parent), m_messages(bilan.messagesNonOuverts), m_date(date)
{
    setObjectName(QStringLiteral("bilanTransmission"));
    setWindowTitle(QStringLiteral("Planning des chauffeurs"));
    auto* layout = new QVBoxLayout(this);
    m_texte = texteSimple(bilan.resume(), this);
    m_texte->setObjectName(QStringLiteral("texteBilan"));
    m_texte->setWordWrap(true);
    layout->addWidget(m_texte);

    if (!m_messages.isEmpty()) {
        auto* aide = texteSimple(QStringLiteral("Chaque message peut être copié, pour le coller dans une messagerie, "
                                                "ou enregistré dans un fichier texte."),
                                 this);
        aide->setWordWrap(true);
        layout->addWidget(aide);

        auto* zone = new QScrollArea(this);
        zone->setWidgetResizable(true);
        zone->setFrameShape(QFrame::StyledPanel);
        zone->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        auto* contenu = new QWidget;
        auto* grille = new QGridLayout(contenu);
        for (int i = 0; i < m_messages.size(); ++i) {
            const MessageNonOuvert& m = m_messages[i];
            const QString complet = m.nom + QStringLiteral(" <") + m.adresse + QLatin1Char('>');
            auto* nom = texteSimple(QString(), contenu);
            nom->setText(nom->fontMetrics().elidedText(complet, Qt::ElideRight, kLargeurNom));
            if (nom->text() != complet)
                nom->setToolTip(plainToolTip(complet));
            Ligne ligne;
            ligne.copier = new QPushButton(QStringLiteral("Copier le message"), contenu);
            ligne.copier->setObjectName(QStringLiteral("copierMessage"));
            ligne.enregistrer = new QPushButton(QStringLiteral("Enregistrer…"), contenu);
            ligne.enregistrer->setObjectName(QStringLiteral("enregistrerMessage"));
            // A reader hears whose message each button acts on, as the row shows it.
            ligne.copier->setAccessibleName(QStringLiteral("Copier le message de ") + m.nom);
            ligne.enregistrer->setAccessibleName(QStringLiteral("Enregistrer le message de ") + m.nom);
            grille->addWidget(nom, i, 0);
            grille->addWidget(ligne.copier, i, 1);
            grille->addWidget(ligne.enregistrer, i, 2);
            connect(ligne.copier, &QPushButton::clicked, this, [this, i] { copier(i); });
            connect(ligne.enregistrer, &QPushButton::clicked, this, [this, i] { enregistrer(i); });
            m_lignes << ligne;
        }
        grille->setColumnStretch(0, 1);
        grille->setRowStretch(int(m_messages.size()), 1);
        zone->setWidget(contenu);
        // Whole in width; as tall as its lines up to a few, more scroll inside.
        const QSize taille = contenu->sizeHint();
        zone->setMinimumWidth(taille.width() + zone->verticalScrollBar()->sizeHint().width() + 2 * zone->frameWidth());
        zone->setMinimumHeight(std::min(taille.height(), kHauteurMax) + 2 * zone->frameWidth());
        layout->addWidget(zone, 1);
        m_zone = zone;

        // Its line is there from the start, empty: what a click did never pushes the rows or
        // the buttons away from the pointer.
        m_etat = texteSimple(QString(), this);
        m_etat->setObjectName(QStringLiteral("etatMessage"));
        m_etat->setFixedHeight(m_etat->fontMetrics().lineSpacing() + 2 * m_etat->margin());
        m_etat->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        layout->addWidget(m_etat);
    }

    auto* boutons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(boutons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(boutons);
    if (!m_lignes.isEmpty())
        m_lignes.first().copier->setFocus();
}

QString BilanTransmissionDialog::texte() const
{
    return m_texte->text();
}

QPushButton* BilanTransmissionDialog::boutonCopier(int index) const
{
    return index >= 0 && index < m_lignes.size() ? m_lignes[index].copier : nullptr;
}

QPushButton* BilanTransmissionDialog::boutonEnregistrer(int index) const
{
    return index >= 0 && index < m_lignes.size() ? m_lignes[index].enregistrer : nullptr;
}

QString BilanTransmissionDialog::etat(int index) const
{
    return index >= 0 && index < m_lignes.size() ? m_lignes[index].etat : QString();
}

void BilanTransmissionDialog::dire(int index, const QString& avant, const QString& chemin, const QString& apres)
{
    const QString entier = avant + chemin + apres;
    m_lignes[index].etat = entier;
    // One line: what does not fit is cut in the middle of the path, else of the line; whole in
    // the tool tip.
    const QFontMetrics fm = m_etat->fontMetrics();
    const int largeur = m_etat->contentsRect().width();
    QString ligne = entier;
    if (!chemin.isEmpty() && fm.horizontalAdvance(entier) > largeur) {
        const int reste = std::max(largeur - fm.horizontalAdvance(avant + apres), fm.horizontalAdvance(QStringLiteral("…")));
        ligne = avant + fm.elidedText(chemin, Qt::ElideMiddle, reste) + apres;
    }
    ligne = fm.elidedText(ligne, Qt::ElideMiddle, largeur);
    m_etat->setText(ligne);
    m_etat->setToolTip(ligne != entier ? plainToolTip(entier) : QString());
}

void BilanTransmissionDialog::ajusterHauteur()
{
    // The summary wraps over as many lines as the width makes, which the layout does not ask of
    // the window by itself: the list would then be pressed under « Fermer ». The list alone
    // gives way, down to its least height, and scrolls.
    int hauteur = layout()->totalHeightForWidth(width());
    if (m_zone)
        hauteur -= std::clamp(m_zone->sizeHint().height(), m_zone->minimumHeight(), m_zone->maximumHeight())
                   - m_zone->minimumHeight();
    if (hauteur > minimumHeight())
        setMinimumHeight(hauteur);
}

void BilanTransmissionDialog::showEvent(QShowEvent* event)
{
    ajusterHauteur();
    QDialog::showEvent(event);
}

void BilanTransmissionDialog::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    ajusterHauteur();
}

void BilanTransmissionDialog::copier(int index)
{
    QApplication::clipboard()->setText(m_messages[index].texte());
    dire(index, QStringLiteral("Message de %1 copié.").arg(m_messages[index].nom));
}

void BilanTransmissionDialog::enregistrer(int index)
{
    const MessageNonOuvert& m = m_messages[index];
    SaveFileRequest demande;
    demande.title = QStringLiteral("Enregistrer le message");
    demande.suggestedName = m.nomFichier(m_date);
    demande.mimeTypes = {QStringLiteral("text/plain")};
    demande.defaultSuffix = QStringLiteral("txt");
    const SaveFileResult resultat = FileHelpers::saveAs(this, demande, m.texte().toUtf8());
    if (resultat.status == SaveFileResult::Status::cancelled)
        return;
    if (resultat.saved())
        dire(index, QStringLiteral("Message de %1 enregistré dans « ").arg(m.nom), QDir::toNativeSeparators(resultat.path),
             QStringLiteral(" »."));
    else
        dire(index, QStringLiteral("Échec de l’enregistrement du message de %1: %2").arg(m.nom, resultat.error));
}

} // namespace kv
