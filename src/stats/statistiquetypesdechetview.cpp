#include "statistiquetypesdechetview.h"

#include "graphiqueleger.h"
#include "sourcestatistiques.h"
#include "statscharts.h"
#include "widgets/colors.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

namespace kv {

using namespace stats;

namespace {

QString nombreDeLocations(qint64 n)
{
    return QLocale().toString(n) + (n > 1 ? QStringLiteral(" locations") : QStringLiteral(" location"));
}

QGroupBox* boite(const QString& titre, QWidget* contenu, QWidget* parent)
{
    auto* g = new QGroupBox(titre, parent);
    auto* v = new QVBoxLayout(g);
    v->addWidget(contenu);
    return g;
}

} // namespace

StatistiqueTypesDechetView::StatistiqueTypesDechetView(SourceStatistiques* source, QWidget* parent)
    : QWidget(parent), m_source(source)
{
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(20, 20, 20, 20);
    v->setSpacing(24);
    v->addWidget(construireEntete());

    m_frequences = new GraphiqueLeger(240, this);
    m_liste = new QLabel(this);
    m_liste->setObjectName(QStringLiteral("listeFrequences"));
    m_liste->setTextFormat(Qt::PlainText);
    m_liste->setWordWrap(true);
    m_liste->setFont(fontForStyle(TextStyle::caption, font()));
    m_liste->hide();
    auto* frequences = new QWidget(this);
    auto* pileFrequences = new QVBoxLayout(frequences);
    pileFrequences->setContentsMargins(0, 0, 0, 0);
    pileFrequences->addWidget(m_frequences);
    pileFrequences->addWidget(m_liste);
    v->addWidget(boite(QStringLiteral("Fréquence par type de déchet"), frequences, this));
    // Once the chart has placed its names and values, whether it could write them all.
    connect(m_frequences, &GraphiqueLeger::disposee, this, &StatistiqueTypesDechetView::montrerLaListe, Qt::QueuedConnection);

    m_evolution = new GraphiqueLeger(280, this);
    // The legend under the chart, on as many rows as the names need.
    m_legende = new LegendeSeries(this);
    m_legende->setObjectName(QStringLiteral("legendeEvolution"));
    auto* evolution = new QWidget(this);
    auto* pile = new QVBoxLayout(evolution);
    pile->setContentsMargins(0, 0, 0, 0);
    pile->addWidget(m_evolution);
    pile->addWidget(m_legende);
    v->addWidget(boite(QStringLiteral("Évolution mensuelle par type de déchet"), evolution, this));
    v->addStretch(1);

    connect(source, &SourceStatistiques::changed, this, [this](EntityTypeMask types) {
        if (types & (SourceStatistiques::kLocations | SourceStatistiques::kTypes))
            recalculer();
    });
    recalculer();
}

QWidget* StatistiqueTypesDechetView::construireEntete()
{
    return enteteAvecAnnee(QStringLiteral("Types de déchets : fréquences et évolution"), m_choixAnnee,
                           [this](std::optional<int> annee) { setSelectedYear(annee); }, this);
}

void StatistiqueTypesDechetView::setSelectedYear(std::optional<int> annee)
{
    if (annee == m_annee)
        return;
    m_annee = annee;
    recalculer();
}

QStringList StatistiqueTypesDechetView::annotations() const
{
    return m_frequences->annotations();
}

void StatistiqueTypesDechetView::recalculer()
{
    const ComptesTypes& comptes = m_source->comptesTypes();
    m_annees = comptes.mois.annees();
    m_barres = statsParType(comptes, m_annee);
    m_points = statsTimeline(comptes, m_annee);
    m_series = seriesTimeline(m_points);

    {
        const QSignalBlocker bloque(m_choixAnnee);
        m_choixAnnee->clear();
        m_choixAnnee->addItem(QStringLiteral("Tout"));
        for (int a : m_annees)
            m_choixAnnee->addItem(QString::number(a), a);
        m_choixAnnee->setCurrentIndex(m_annee ? m_choixAnnee->findData(*m_annee) : 0);
    }
    dessinerFrequences();
    dessinerEvolution();
}

void StatistiqueTypesDechetView::dessinerFrequences()
{
    // A chart too narrow for the names numbers its bars, and the list under it tells each
    // number's name and value: bars of one colour stay told apart.
    QList<GraphiqueLeger::Barre> barres;
    QStringList entrees, lignes;
    for (int i = 0; i < m_barres.size(); ++i) {
        const StatsTypeDechet& b = m_barres[i];
        const QString lu = QStringLiteral("%1 : %2").arg(b.libelle, nombreDeLocations(b.nbLocations));
        barres.append({b.libelle, double(b.nbLocations), couleurTypeDechet(b.couleur), b.libelle,
                       QString::number(b.nbLocations), lu});
        lignes.append(lu);
        // One entry never breaks across lines; the list breaks between entries.
        entrees.append(QStringLiteral("%1. %2 : %3")
                           .arg(QString::number(i + 1), b.libelle, QLocale().toString(b.nbLocations))
                           .replace(QLatin1Char(' '), QChar(0x00A0)));
    }
    m_frequences->setBarres(barres, QStringLiteral("Nombre de locations"), true, true);
    m_liste->setText(entrees.join(QStringLiteral("   ")));
    decrireGraphique(m_frequences, QStringLiteral("Fréquence par type de déchet"), lignes);
    montrerLaListe();
}

void StatistiqueTypesDechetView::montrerLaListe()
{
    // Every bar named (whole, or cut at a slant and whole under the pointer) and every value
    // written: no list. A name left out, or numbers in place of the names: the list.
    if (m_frequences->width() <= 0 || !m_frequences->testAttribute(Qt::WA_Resized))
        return;
    const bool tout = m_frequences->toutEstEcrit();
    if (m_liste->isHidden() != tout)
        m_liste->setVisible(!tout);
}

void StatistiqueTypesDechetView::dessinerEvolution()
{
    QList<qint64> mois;
    for (const StatsTimelineTypeDechet& p : m_points)
        mois.append(p.mois);
    m_legendeEvolution.clear();
    QList<LegendeSeries::Entree> entrees;
    QList<GraphiqueLeger::Serie> series;
    QStringList lignes;
    const auto valeur = [](double n) { return nombreDeLocations(qint64(n)); };
    int n = 0;
    for (const SerieTypeDechet& s : m_series) {
        m_legendeEvolution.append(s.libelle);
        QList<QPointF> points;
        QList<ValeurMois> valeurs;
        for (const StatsTimelineTypeDechet& p : s.points) {
            points.append(QPointF(double(p.mois), double(p.nbLocations)));
            valeurs.append({p.mois, double(p.nbLocations)});
        }
        const QScatterSeries::MarkerShape forme = formeMarqueur(n++);
        const QString lu = resumeMensuel(s.libelle, valeurs, m_source->zone(), valeur);
        series.append({s.libelle, couleurTypeDechet(s.couleur), forme, points, lu});
        entrees.append({s.libelle, couleurTypeDechet(s.couleur), forme});
        lignes.append(lu);
    }
    m_evolution->setSeries(mois, series, m_source->zone(), QStringLiteral("Nombre de locations"), true, valeur);
    m_legende->setEntrees(entrees);
    decrireGraphique(m_evolution, QStringLiteral("Évolution mensuelle par type de déchet"), lignes);
}

} // namespace kv
