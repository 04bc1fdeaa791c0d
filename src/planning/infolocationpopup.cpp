#include "infolocationpopup.h"

#include "actionsplanning.h"
#include "calendrierplanning.h"
#include "peintrebarres.h"

#include "model/helpers.h"
#include "model/modelcontext.h"
#include "widgets/accessiblenames.h"
#include "widgets/elidedlineslabel.h"

#include "rentals/modifierlocation.h"

#include <QMouseEvent>
#include <QPushButton>
#include <QGridLayout>
#include <QLabel>

#include <cmath>

namespace kv::planning {

QString InfoLocationPopup::textePoids(double kg)
{
    // Whole kilograms as a signed 64-bit number; beyond it (never met with real tickets) the
    // rounded figure is shown as it is.
    const double entier = std::trunc(kg);
    if (std::isfinite(entier) && std::abs(entier) < 9.2e18)
        return QString::number(qint64(entier)) + QStringLiteral(" kg");
    return QString::number(kg, 'f', 0) + QStringLiteral(" kg");
}

QList<InfoLocationPopup::Ligne> InfoLocationPopup::lignes(const LocationDeBenne* l)
{
    QList<Ligne> out;
    if (!l)
        return out;
    const Client* client = l->client();
    // Among look-alikes, the name carries what tells the client apart (town, phone…).
    out.append({Ligne::Genre::texte, QStringLiteral("Client :"), nomClientDistinct(client)});
    out.append({Ligne::Genre::texte, QStringLiteral("Adresse :"), l->adresse().value_or(QStringLiteral("Non renseignée"))});
    out.append({Ligne::Genre::texte, QStringLiteral("Type de déchet :"),
                l->typeDechet() ? l->typeDechet()->libelle() : QStringLiteral("inconnu")});
    const double poids = l->poidsTotalKg();
    if (poids > 0)
        out.append({Ligne::Genre::texte, QStringLiteral("Poids du déchet\u00A0:"), textePoids(poids)});
    out.append({Ligne::Genre::texte, QStringLiteral("Téléphone client :"),
                telephoneInsecable(client ? client->telephone() : QString())});
    if (client && !client->contacts().isEmpty()) {
        const Contact* c = client->contacts().first();
        out.append({Ligne::Genre::texte, QStringLiteral("Contact :"),
                    c->prenom() + QLatin1Char(' ') + c->nom() + QStringLiteral(" (")
                        + telephoneInsecable(c->telephone()) + QLatin1Char(')')});
    }
    // Beside each truck mark, which job and whom.
    const QStringList chauffeurs = lignesChauffeurs(l);
    int rang = 0;
    if (l->chauffeurPose())
        out.append({Ligne::Genre::chauffeurPose, QString(), chauffeurs.value(rang++)});
    if (l->chauffeurEnlevement())
        out.append({Ligne::Genre::chauffeurEnlevement, QString(), chauffeurs.value(rang++)});
    return out;
}

QString InfoLocationPopup::texteLu(const LocationDeBenne* location)
{
    QStringList dit;
    for (const Ligne& l : lignes(location))
        dit << (l.libelle.isEmpty() ? l.valeur : l.libelle + QLatin1Char(' ') + l.valeur);
    return dit.isEmpty() ? QString() : dit.join(QStringLiteral(". ")) + QLatin1Char('.');
}

InfoLocationPopup::InfoLocationPopup(LocationDeBenne* location, QWidget* parent)
    : QWidget(parent), m_location(location)
{
    setObjectName(QStringLiteral("infoLocationPopup"));
    setFixedWidth(300);
    readAsItem(this);
    m_grille = new QGridLayout(this);
    m_grille->setHorizontalSpacing(8);
    m_grille->setVerticalSpacing(10);
    m_grille->setColumnStretch(1, 1);
    if (location && location->modelContext())
        connect(location->modelContext(), &ModelContext::changed, this, [this](const ModelChanges& changes) {
            constexpr EntityTypeMask lus = entityBit(EntityType::LocationDeBenne) | entityBit(EntityType::Client)
                                           | entityBit(EntityType::Contact) | entityBit(EntityType::TypeDechet)
                                           | entityBit(EntityType::Chauffeur) | entityBit(EntityType::BonDePesee);
            if (changes.touchesAny(lus))
                actualiser();
        });
    actualiser();
}

void InfoLocationPopup::actualiser()
{
    setAccessibleName(texteLu(m_location));
    while (QLayoutItem* item = m_grille->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    QPalette noir = palette();
    noir.setColor(QPalette::WindowText, Qt::black);
    QFont gras = font();
    gras.setBold(true);
    PeintreBarres peintre;
    peintre.preparer(devicePixelRatioF(), font());
    int rang = 0;
    for (const Ligne& l : lignes(m_location)) {
        QLabel* tete = new QLabel(this);
        tete->setPalette(noir);
        if (l.genre == Ligne::Genre::texte) {
            tete->setText(l.libelle);
            tete->setFont(gras);
        } else {
            // The badge picture carries room for its shadows around the 28-point disc.
            const QPixmap badge = peintre.badgeChauffeur(l.genre == Ligne::Genre::chauffeurEnlevement);
            tete->setPixmap(badge);
            tete->setContentsMargins(-7, -7, -7, -7);
            tete->setObjectName(l.genre == Ligne::Genre::chauffeurPose ? QStringLiteral("badgePose")
                                                                       : QStringLiteral("badgeEnlevement"));
        }
        // The client's name takes two lines at most; the other values the lines they need.
        QLabel* valeur = rang == 0 ? new ElidedLinesLabel(l.valeur, 2, this) : new QLabel(l.valeur, this);
        if (rang == 0 && m_location && !distinctionParmiHomonymes(m_location->client()).isEmpty())
            static_cast<ElidedLinesLabel*>(valeur)->setFit([client = m_location->client()](const Tient& tient) {
                return nomClientDistinct(client, tient);
            });
        valeur->setObjectName(rang == 0 ? QStringLiteral("nomClient") : QString());
        valeur->setPalette(noir);
        valeur->setWordWrap(true);
        valeur->setTextFormat(Qt::PlainText);
        valeur->setTextInteractionFlags(Qt::TextSelectableByMouse);
        m_grille->addWidget(tete, rang, 0, Qt::AlignLeft | Qt::AlignVCenter);
        // The value fills its column: the grid gives the row the height of the lines the text
        // needs at that width. Aligned left, a wrapped label would take its own narrower
        // preferred width and lose its last line.
        m_grille->addWidget(valeur, rang, 1, Qt::AlignVCenter);
        // The double-click that showed the card over its bar opens the rental's correction.
        tete->installEventFilter(this);
        valeur->installEventFilter(this);
        ++rang;
    }
    if (m_location && !m_location->isDeleted()) {
        auto* modifier = new QPushButton(texteModifierLocation(), this);
        modifier->setObjectName(QStringLiteral("boutonModifierLocation"));
        modifier->setToolTip(raccourciModifierLocation().toString(QKeySequence::NativeText));
        connect(modifier, &QPushButton::clicked, this, [this] {
            modifierLocation(this, m_location->modelContext(), m_location);
        });
        m_grille->addWidget(modifier, rang, 0, 1, 2, Qt::AlignLeft);
    }
    emit actualise();
}

bool InfoLocationPopup::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonDblClick && m_location && !m_location->isDeleted()) {
        modifierLocation(this, m_location->modelContext(), m_location);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void InfoLocationPopup::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (m_location && !m_location->isDeleted())
        modifierLocation(this, m_location->modelContext(), m_location);
    event->accept();
}

} // namespace kv::planning
