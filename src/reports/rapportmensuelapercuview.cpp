#include "rapportmensuelapercuview.h"

#include "widgets/plaintext.h"

#include <algorithm>

#include "listeentiere.h"
#include "rapportdonnees.h"
#include "textesexport.h"

#include "model/helpers.h"
#include "model/records.h"
#include "widgets/colors.h"
#include "widgets/elidedlabel.h"
#include "widgets/textstyles.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QEvent>
#include <QLabel>
#include <QSet>
#include <QTreeView>
#include <QVBoxLayout>

namespace kv {

LocationDetailRowsModel::LocationDetailRowsModel(const QTimeZone& zone, QObject* parent)
    : QAbstractTableModel(parent), m_zone(zone)
{
}

void LocationDetailRowsModel::setLocations(const QList<LocationDeBenne*>& nouvelles)
{
    // Rows that left, from the bottom up.
    const QSet<LocationDeBenne*> gardees(nouvelles.begin(), nouvelles.end());
    for (qsizetype i = m_lignes.size() - 1; i >= 0; --i) {
        if (!gardees.contains(m_lignes[i])) {
            beginRemoveRows({}, int(i), int(i));
            m_lignes.removeAt(i);
            endRemoveRows();
        }
    }
    // The rows that stay, in their new order: when it is theirs already, the newcomers are
    // inserted in their places; otherwise the rows move as one layout change.
    const QSet<LocationDeBenne*> presentes(m_lignes.begin(), m_lignes.end());
    QList<LocationDeBenne*> restantes;
    for (LocationDeBenne* l : nouvelles)
        if (presentes.contains(l))
            restantes.append(l);
    // std::equal rather than QList's ==, which hands null pointers to memcmp for empty lists.
    if (std::equal(restantes.cbegin(), restantes.cend(), m_lignes.cbegin(), m_lignes.cend())) {
        for (qsizetype i = 0; i < nouvelles.size(); ++i) {
            if (i < m_lignes.size() && m_lignes[i] == nouvelles[i])
                continue;
            beginInsertRows({}, int(i), int(i));
            m_lignes.insert(i, nouvelles[i]);
            endInsertRows();
        }
    } else {
        emit layoutAboutToBeChanged();
        const QModelIndexList avant = persistentIndexList();
        QModelIndexList apres;
        for (const QModelIndex& idx : avant) {
            const qsizetype row = nouvelles.indexOf(m_lignes.value(idx.row()));
            apres.append(row < 0 ? QModelIndex() : index(int(row), idx.column()));
        }
        m_lignes = nouvelles;
        changePersistentIndexList(avant, apres);
        emit layoutChanged();
    }
    if (!m_lignes.isEmpty())
        emit dataChanged(index(0, 0), index(int(m_lignes.size()) - 1, nombreDeColonnes - 1));
}

int LocationDetailRowsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_lignes.size());
}

int LocationDetailRowsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : nombreDeColonnes;
}

QVariant LocationDetailRowsModel::data(const QModelIndex& index, int role) const
{
    const LocationDeBenne* l = m_lignes.value(index.row());
    if (!l)
        return {};
    const auto retrait = l->dateEnlevementMs();
    if (role == Qt::ToolTipRole)
        return plainToolTip(data(index, Qt::DisplayRole).toString());
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case pose: return jourCourt(l->datePoseMs(), m_zone);
        case enlevement: return retrait ? jourCourt(*retrait, m_zone) : QStringLiteral("non prévue");
        case volume: return l->benne() ? texteVolumeM3(l->benne()->volume()) : QStringLiteral("—");
        case dechet: return l->typeDechet() ? l->typeDechet()->libelle() : QStringLiteral("-");
        case adresse: return l->adresse().value_or(QStringLiteral("-"));
        }
    }
    if (role == Qt::ForegroundRole && index.column() == enlevement && !retrait)
        return QPalette().color(QPalette::Disabled, QPalette::WindowText);
    return {};
}

RapportMensuelApercuView::RapportMensuelApercuView(const QTimeZone& zone, QWidget* parent)
    : QWidget(parent), m_zone(zone), m_lignes(new LocationDetailRowsModel(zone, this))
{
    auto* colonne = new QVBoxLayout(this);
    colonne->setContentsMargins(0, 8, 0, 8);
    colonne->setSpacing(12);

    m_titre = new ElidedLabel(QString(), this);
    m_titre->setObjectName(QStringLiteral("apercuTitre"));
    m_titre->setFont(fontForStyle(TextStyle::headline, font()));
    colonne->addWidget(m_titre);

    m_vide = new QLabel(QStringLiteral("Aucune location ce mois."), this);
    m_vide->setObjectName(QStringLiteral("apercuVide"));
    setSecondaryText(m_vide);
    colonne->addWidget(m_vide);

    m_nombre = new QLabel(this);
    m_nombre->setObjectName(QStringLiteral("apercuNombre"));
    QFont titre3 = font();
    titre3.setPointSizeF(font().pointSizeF() > 0 ? font().pointSizeF() * 15.0 / 13 : 12);
    m_nombre->setFont(titre3);
    m_nombre->setWordWrap(true);
    colonne->addWidget(m_nombre);

    // Its title inside, on two lines where the window is narrow (a box's own title would widen
    // the screen).
    const QString titreDetail = QStringLiteral("Détail des locations du mois");
    m_detail = new QGroupBox(this);
    // As tall as its list, which shows all its rows.
    m_detail->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto* dedans = new QVBoxLayout(m_detail);
    auto* titreBoite = new QLabel(titreDetail, m_detail);
    titreBoite->setWordWrap(true);
    dedans->addWidget(titreBoite);
    m_liste = new QTreeView(m_detail);
    m_liste->setAccessibleName(titreDetail);
    m_liste->setModel(m_lignes);
    m_liste->setRootIsDecorated(false);
    m_liste->setUniformRowHeights(true);
    m_liste->setHeaderHidden(true);
    m_liste->setSelectionMode(QAbstractItemView::NoSelection);
    m_liste->setFocusPolicy(Qt::StrongFocus);
    m_liste->setFont(fontForStyle(TextStyle::caption, font()));
    m_liste->setTextElideMode(Qt::ElideRight);
    // Four points between rows.
    m_liste->setStyleSheet(QStringLiteral("QTreeView::item { padding-top: 2px; padding-bottom: 2px; }"));
    // The address takes what the other columns leave (set here: a hidden header does not
    // stretch its last section).
    m_liste->header()->setStretchLastSection(false);
    m_liste->header()->setMinimumSectionSize(20);
    for (int c = 0; c < LocationDetailRowsModel::adresse; ++c)
        m_liste->setColumnWidth(c, largeurMinimale(c));
    m_liste->viewport()->installEventFilter(this);
    dedans->addWidget(m_liste);
    colonne->addWidget(m_detail);
    colonne->addStretch();
}

int RapportMensuelApercuView::largeurMinimale(int colonne)
{
    static constexpr int largeurs[] = {52, 52, 54, 100};
    return largeurs[colonne] + 8;
}

void RapportMensuelApercuView::afficher(const Client* client, qint64 moisMs)
{
    const QList<LocationDeBenne*> locations = rapport::locationsDuMois(client, moisMs, m_zone);
    // Painted as plain text, cut to its room.
    const QString debut = QStringLiteral("Aperçu du rapport pour "), mois = QStringLiteral(" – ") + libelleMois(moisMs, m_zone);
    // Short of room, what namesakes share gives way; the month stays.
    // Short of room, what namesakes share gives way, then the words before the name; the month stays.
    m_titre->setText(debut + nomClientDistinct(client) + mois, [client, debut, mois](const Tient& tient) {
        const auto titre = [&](const QString& avant) {
            return avant + nomClientDistinct(client, [&](const QString& nom) { return tient(avant + nom + mois); }) + mois;
        };
        QString forme;
        for (const QString& avant : {debut, QStringLiteral("Aperçu : "), QString()})
            if (forme = titre(avant); !forme.endsWith(QStringLiteral("…)") + mois))
                break;
        return forme;
    });
    m_lignes->setLocations(locations);
    // The columns but the address take the room of their widest text; names are cut with "…",
    // whole in their tool tips.
    m_largeursVoulues.clear();
    for (int c = 0; c < LocationDetailRowsModel::adresse; ++c)
        m_largeursVoulues.append(
            std::max(largeurMinimale(c), static_cast<QAbstractItemView*>(m_liste)->sizeHintForColumn(c)));
    ajusterColonnes();
    montrerToutesLesLignes(m_liste);
    const bool vide = locations.isEmpty();
    m_vide->setVisible(vide);
    m_nombre->setVisible(!vide);
    m_detail->setVisible(!vide);
    m_nombre->setText(QStringLiteral("Nombre total de locations") + QChar(0x202F) + QStringLiteral(": ")
                      + QLocale().toString(locations.size()));
}

void RapportMensuelApercuView::ajusterColonnes()
{
    if (m_largeursVoulues.size() != LocationDetailRowsModel::adresse)
        return;
    const int place = m_liste->viewport()->width();
    int autres = 0;
    for (int c = 0; c < LocationDetailRowsModel::adresse; ++c)
        if (c != LocationDetailRowsModel::dechet)
            autres += m_largeursVoulues[c];
    const int plafond = std::max(largeurMinimale(LocationDetailRowsModel::dechet), (place - autres) / 2);
    QList<int> largeurs = m_largeursVoulues;
    largeurs[LocationDetailRowsModel::dechet] = std::min(largeurs[LocationDetailRowsModel::dechet], plafond);
    // Narrower than that, with the address's least room, the waste type gives way first, down to
    // its floor; then the dates and the volume, each the same share of what it holds above its
    // floor. A text cut shows whole in its tool tip.
    int exces = plancher(LocationDetailRowsModel::adresse) - place;
    for (int c = 0; c < LocationDetailRowsModel::adresse; ++c)
        exces += largeurs[c];
    if (exces > 0) {
        int& dechet = largeurs[LocationDetailRowsModel::dechet];
        const int cede = std::min(exces, std::max(0, dechet - plancher(LocationDetailRowsModel::dechet)));
        dechet -= cede;
        exces -= cede;
    }
    int souplesse = 0;
    for (int c = 0; c < LocationDetailRowsModel::adresse; ++c)
        souplesse += std::max(0, largeurs[c] - plancher(c));
    if (exces > 0 && souplesse > 0) {
        const double part = std::min(1.0, double(exces) / souplesse);
        for (int c = 0; c < LocationDetailRowsModel::adresse; ++c)
            largeurs[c] -= int(std::ceil(std::max(0, largeurs[c] - plancher(c)) * part));
    }
    int reste = place;
    for (int c = 0; c < LocationDetailRowsModel::adresse; ++c) {
        m_liste->setColumnWidth(c, largeurs[c]);
        reste -= largeurs[c];
    }
    m_liste->setColumnWidth(LocationDetailRowsModel::adresse, std::max(plancher(LocationDetailRowsModel::adresse), reste));
}

int RapportMensuelApercuView::plancher(int colonne)
{
    static constexpr int planchers[] = {40, 40, 40, 48, 48};
    return planchers[colonne];
}

bool RapportMensuelApercuView::eventFilter(QObject* watched, QEvent* event)
{
    // The list's room changes with the window and when the detail shows.
    if (watched == m_liste->viewport() && event->type() == QEvent::Resize)
        ajusterColonnes();
    return QWidget::eventFilter(watched, event);
}

QString RapportMensuelApercuView::titre() const
{
    return m_titre->text();
}

} // namespace kv
