#include "prestationscolumn.h"

#include "chauffeurcard.h"
#include "prestationcard.h"

#include "model/modelcontext.h"
#include "model/records.h"
#include "widgets/accessiblenames.h"
#include "widgets/colors.h"
#include "widgets/icons.h"
#include "widgets/textstyles.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QScopeGuard>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace kv {

bool memeJourPose(const LocationDeBenne* location, const DayWindow& jour)
{
    return jour.contains(location->datePoseMs());
}

bool memeJourEnlevement(const LocationDeBenne* location, const DayWindow& jour)
{
    const std::optional<qint64> ms = location->dateEnlevementMs();
    return ms && jour.contains(*ms);
}

bool memeJourPose(const LocationDeBenne* location, const QDateTime& jour, const QTimeZone& fuseau)
{
    return memeJourPose(location, dayWindowOf(jour.toMSecsSinceEpoch(), fuseau));
}

bool memeJourEnlevement(const LocationDeBenne* location, const QDateTime& jour, const QTimeZone& fuseau)
{
    return memeJourEnlevement(location, dayWindowOf(jour.toMSecsSinceEpoch(), fuseau));
}

namespace {

void trierPoses(QList<LocationDeBenne*>& poses)
{
    std::stable_sort(poses.begin(), poses.end(), [](const LocationDeBenne* a, const LocationDeBenne* b) {
        return a->datePoseMs() < b->datePoseMs();
    });
}

void trierEnlevements(QList<LocationDeBenne*>& enlevements)
{
    auto cle = [](const LocationDeBenne* l) {
        return l->dateEnlevementMs().value_or(std::numeric_limits<qint64>::max());
    };
    std::stable_sort(enlevements.begin(), enlevements.end(),
                     [&](const LocationDeBenne* a, const LocationDeBenne* b) { return cle(a) < cle(b); });
}

} // namespace

QList<LocationDeBenne*> posesDuJour(const Chauffeur* chauffeur, const DayWindow& jour)
{
    QList<LocationDeBenne*> out;
    for (LocationDeBenne* l : chauffeur->posesAssurees())
        if (memeJourPose(l, jour))
            out.append(l);
    trierPoses(out);
    return out;
}

QList<LocationDeBenne*> enlevementsDuJour(const Chauffeur* chauffeur, const DayWindow& jour)
{
    QList<LocationDeBenne*> out;
    for (LocationDeBenne* l : chauffeur->enlevementsAssures())
        if (memeJourEnlevement(l, jour))
            out.append(l);
    trierEnlevements(out);
    return out;
}

TravailSansChauffeur travailSansChauffeur(const ModelContext* context, const DayWindow& jour,
                                          const QList<DayWindow>& jours)
{
    TravailSansChauffeur t;
    t.nombres = QList<int>(jours.size(), 0);
    if (!context)
        return t;
    const auto compter = [&](qint64 ms) {
        for (qsizetype i = 0; i < jours.size(); ++i)
            if (jours[i].contains(ms))
                ++t.nombres[i];
    };
    // One pass over the store, the records read once each, that keeps only the day's rentals
    // without a driver: no list of all the rentals is made.
    FetchDescriptor<LocationDeBenne> sansChauffeur;
    sansChauffeur.predicate = [&](const LocationDeBenne* l) {
        const bool pose = memeJourPose(l, jour);
        const std::optional<qint64> e = l->dateEnlevementMs();
        const bool enlevement = e && jour.contains(*e);
        t.travail = t.travail || pose || enlevement;
        if (!l->chauffeurPose())
            compter(l->datePoseMs());
        if (e && !l->chauffeurEnlevement())
            compter(*e);
        return (pose && !l->chauffeurPose()) || (enlevement && !l->chauffeurEnlevement());
    };
    for (LocationDeBenne* l : context->fetch(sansChauffeur)) {
        if (memeJourPose(l, jour) && !l->chauffeurPose())
            t.poses.append(l);
        if (memeJourEnlevement(l, jour) && !l->chauffeurEnlevement())
            t.enlevements.append(l);
    }
    trierPoses(t.poses);
    trierEnlevements(t.enlevements);
    return t;
}

namespace {

// The mark of the column under a dragged card: an accent frame on a faint accent wash, over the
// cards and letting the pointer through to them.
class MarqueDepot : public QWidget {
public:
    explicit MarqueDepot(QWidget* parent) : QWidget(parent)
    {
        setObjectName(QStringLiteral("marqueDepot"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QColor accent = palette().color(QPalette::Highlight);
        QColor lavis = accent;
        lavis.setAlphaF(0.12f);
        QPainterPath bord;
        bord.addRoundedRect(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5), 10, 10);
        p.fillPath(bord, lavis);
        p.setPen(QPen(accent, 3));
        p.drawPath(bord);
    }
};

// The empty column: a tray and what it says ("Déposer une prestation ici" for a driver) on a faint
// grey rounded rectangle.
class ZoneDepot : public QWidget {
public:
    ZoneDepot(const QString& texte, const QString& ligne, QWidget* parent) : QWidget(parent), m_texte(texte)
    {
        setObjectName(QStringLiteral("zoneDepot"));
        setMinimumHeight(90);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        readAsItem(this);
        setAccessibleName(texte + QStringLiteral(", ") + ligne);
    }
    QString texte() const { return m_texte; }
    QSize sizeHint() const override { return QSize(350, 90); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath fond;
        fond.addRoundedRect(QRectF(rect()), 10, 10);
        QColor gris(Qt::gray);
        gris.setAlphaF(0.07f);
        p.fillPath(fond, gris);

        const QFont pied = fontForStyle(TextStyle::caption, font());
        const QFontMetrics fm(pied);
        const int icone = 32;
        const int hauteur = icone + 4 + fm.height();
        const int y = (height() - hauteur) / 2;
        // Grey that reads on the palette's window, light or dark.
        const QColor encre = dimmedText(palette().color(QPalette::WindowText), 0.6, palette());
        const QPixmap pix = paintedSymbolIcon(QStringLiteral("tray.and.arrow.down"), encre).pixmap(icone, icone);
        p.drawPixmap((width() - icone) / 2, y, pix);
        p.setFont(pied);
        p.setPen(encre);
        p.drawText(QRect(4, y + icone + 4, width() - 8, fm.height()), Qt::AlignHCenter | Qt::AlignTop,
                   fm.elidedText(m_texte, Qt::ElideRight, width() - 8));
    }

private:
    QString m_texte;
};

} // namespace

PrestationsColumn::PrestationsColumn(Chauffeur* chauffeur, const DayWindow& jour, ModelContext* context,
                                     QWidget* parent, SourceSansChauffeur source)
    : QWidget(parent), m_chauffeur(chauffeur), m_jour(jour), m_context(context), m_source(std::move(source))
{
    setObjectName(QStringLiteral("prestationsColumn"));
    setAcceptDrops(true);
    setMinimumWidth(350);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Maximum);
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(8);
    actualiser();
}

QString PrestationsColumn::nomLigne() const
{
    return m_chauffeur ? QStringLiteral("ligne de ") + (m_chauffeur->prenom() + QLatin1Char(' ') + m_chauffeur->nom()).simplified()
                       : QStringLiteral("à attribuer");
}

QString PrestationsColumn::texteVide() const
{
    return m_vide ? static_cast<ZoneDepot*>(m_vide)->texte() : QString();
}

void PrestationsColumn::setJour(const DayWindow& jour)
{
    m_jour = jour;
    actualiser();
}

QWidget* PrestationsColumn::section(const QString& titre, const QList<LocationDeBenne*>& locations,
                                    TypePrestation type, const QColor& teinte,
                                    QList<PrestationCard*>& cartes)
{
    auto* contenu = new QWidget;
    auto* pile = new QVBoxLayout(contenu);
    pile->setContentsMargins(0, 6, 0, 0);
    auto* entete = new QLabel(titre, contenu);
    QFont f = fontForStyle(TextStyle::subheadline, font());
    f.setBold(true);
    entete->setFont(f);
    entete->setContentsMargins(10, 0, 0, 0);
    pile->addWidget(entete);
    for (LocationDeBenne* l : locations) {
        auto* carte = new PrestationCard(l, type, contenu);
        // The reader hears whose row the card is in, as the eye sees it.
        carte->setAccessibleName(carte->accessibleName() + QStringLiteral(", ") + nomLigne());
        pile->addWidget(carte, 0, Qt::AlignLeft);
        pile->addSpacing(10 - pile->spacing());
        connect(carte, &PrestationCard::glisserCommence, this, [this, carte] {
            m_carteGlissee = carte;
            emit glisserCommence();
        });
        connect(carte, &PrestationCard::glisserTermine, this, [this] {
            m_carteGlissee.clear();
            emit glisserTermine();
            if (m_aActualiser)
                QTimer::singleShot(0, this, [this] { actualiser(); });
        });
        connect(carte, &PrestationCard::menuDemande, this, [this, carte](const QPoint& position) {
            emit menuPrestation(carte->location(), carte->type(), position);
        });
        cartes.append(carte);
    }
    return surVerre(contenu, teinte);
}

void PrestationsColumn::actualiser(const QSet<const Record*>* touches)
{
    if (glisserEnCours()) {
        m_aActualiser = true;
        return;
    }
    m_aActualiser = false;
    const bool parti = m_chauffeur && m_chauffeur->isDeleted();
    TravailSansChauffeur sansChauffeur;
    if (!m_chauffeur)
        sansChauffeur = m_source ? m_source(m_jour) : travailSansChauffeur(m_context, m_jour);
    const QList<LocationDeBenne*> poses = parti ? QList<LocationDeBenne*>()
                                          : m_chauffeur ? posesDuJour(m_chauffeur, m_jour)
                                                        : sansChauffeur.poses;
    const QList<LocationDeBenne*> enlevements = parti         ? QList<LocationDeBenne*>()
                                                : m_chauffeur ? enlevementsDuJour(m_chauffeur, m_jour)
                                                              : sansChauffeur.enlevements;
    // Whether the cards shown are those of these lists, and show what they did.
    const auto memes = [&](const QList<PrestationCard*>& cartes, const QList<LocationDeBenne*>& locations) {
        if (cartes.size() != locations.size())
            return false;
        for (qsizetype i = 0; i < cartes.size(); ++i)
            if (cartes[i]->location() != locations[i] || touches->contains(locations[i]))
                return false;
        return true;
    };
    if (touches && !parti && !touches->contains(m_chauffeur) && !m_contenu.isEmpty() && memes(m_cartesPoses, poses)
        && memes(m_cartesEnlevements, enlevements) && (m_chauffeur || !m_vide || sansChauffeur.travail == m_videTravail))
        return;
    // The mark stays over the new cards, on the box of its kind.
    const auto marqueDessus = qScopeGuard([this] {
        if (m_marque) {
            placerMarque();
            m_marque->raise();
        }
    });
    for (QWidget* w : std::as_const(m_contenu))
        delete w;
    m_contenu.clear();
    m_cartesPoses.clear();
    m_cartesEnlevements.clear();
    m_vide = nullptr;
    m_sectionDeposes = nullptr;
    m_sectionEnlevements = nullptr;
    if (parti)
        return;

    if (poses.isEmpty() && enlevements.isEmpty()) {
        // Without a driver, the empty box says why nothing is left to give out.
        const QString texte = m_chauffeur            ? QStringLiteral("Déposer une prestation ici")
                              : sansChauffeur.travail ? QStringLiteral("Tout est attribué ce jour-là")
                                                      : QStringLiteral("Aucune pose ni aucun enlèvement ce jour-là");
        m_vide = new ZoneDepot(texte, nomLigne(), this);
        m_videTravail = sansChauffeur.travail;
        m_layout->addWidget(m_vide);
        m_contenu.append(m_vide);
        return;
    }
    if (!poses.isEmpty()) {
        QWidget* s = section(QStringLiteral("Déposes"), poses, TypePrestation::pose, QColor(Qt::blue), m_cartesPoses);
        s->setObjectName(QStringLiteral("sectionDeposes"));
        m_sectionDeposes = s;
        m_layout->addWidget(s);
        m_contenu.append(s);
        // 20 points below the placements; the glass's shadow needs part of it.
        auto* espace = new QWidget(this);
        espace->setFixedHeight(20 - m_layout->spacing() + 8);
        m_layout->addWidget(espace);
        m_contenu.append(espace);
    }
    if (!enlevements.isEmpty()) {
        QWidget* s = section(QStringLiteral("Enlèvements"), enlevements, TypePrestation::enlevement,
                             QColor(Qt::red), m_cartesEnlevements);
        s->setObjectName(QStringLiteral("sectionEnlevements"));
        m_sectionEnlevements = s;
        m_layout->addWidget(s);
        m_contenu.append(s);
        auto* espace = new QWidget(this);
        espace->setFixedHeight(10);
        m_layout->addWidget(espace);
        m_contenu.append(espace);
    }
}

// Drags are let in whatever they carry: what they carry is only read at the drop, where an empty
// drop is refused and a payload that is not an operation is reported and changes nothing.
void PrestationsColumn::dragEnterEvent(QDragEnterEvent* event)
{
    event->acceptProposedAction();
}

void PrestationsColumn::dragMoveEvent(QDragMoveEvent* event)
{
    event->acceptProposedAction();
}

void PrestationsColumn::setMarquee(bool marquee, std::optional<TypePrestation> type)
{
    if (!marquee) {
        delete m_marque;
        m_marque = nullptr;
        m_typeMarque.reset();
        return;
    }
    m_typeMarque = type;
    if (!m_marque) {
        m_marque = new MarqueDepot(this);
        m_marque->show();
    }
    placerMarque();
    m_marque->raise();
}

QRect PrestationsColumn::zoneMarquee()
{
    QWidget* section = !m_typeMarque                             ? nullptr
                       : *m_typeMarque == TypePrestation::pose ? m_sectionDeposes
                                                               : m_sectionEnlevements;
    if (!section)
        return rect();
    // The sections' places once the column is laid out at its present size.
    m_layout->activate();
    return section->geometry();
}

void PrestationsColumn::placerMarque()
{
    if (m_marque)
        m_marque->setGeometry(zoneMarquee());
}

void PrestationsColumn::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placerMarque();
}

void PrestationsColumn::dropEvent(QDropEvent* event)
{
    if (recevoirDrop(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

bool PrestationsColumn::recevoirDrop(const QMimeData* mime)
{
    if (!mime || mime->formats().isEmpty()) {
        m_trace(QStringLiteral("Aucun provider trouvé pour le drop"));
        return false;
    }
    // The drop is taken at once; what the payload turns out to be changes nothing to that.
    const std::optional<PrestationDragItem> item = decoderDrop(ItemRecu::depuis(mime), m_trace);
    if (!item)
        return true;
    // The store is touched on the next turn of the event loop, once the drag is over. The
    // assignment belongs to the store's context, so that it happens even if this column is
    // rebuilt in between; only its news needs the column.
    const PrestationDragItem copie = *item;
    const QPointer<PrestationsColumn> colonne(this);
    QTimer::singleShot(0, m_context, [colonne, copie, chauffeur = m_chauffeur, context = m_context, trace = m_trace] {
        QString erreur;
        const ResultatAttribution r = attribuerPrestation(copie, chauffeur, context, trace, &erreur);
        if (colonne)
            colonne->signaler(r, erreur, copie);
    });
    return true;
}

void PrestationsColumn::signaler(ResultatAttribution resultat, const QString& erreur, const PrestationDragItem& item)
{
    switch (resultat) {
    case ResultatAttribution::attribue:
        emit attribue(item);
        break;
    case ResultatAttribution::echecSauvegarde:
        emit echecSauvegarde(QStringLiteral("Échec de la sauvegarde: ") + erreur);
        break;
    case ResultatAttribution::introuvable:
    case ResultatAttribution::dejaAttribue:
        break;
    }
}

} // namespace kv
