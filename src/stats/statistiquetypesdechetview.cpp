#include "statistiquetypesdechetview.h"

#include "sourcestatistiques.h"
#include "statscharts.h"
#include "widgets/colors.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

#include <QtCharts/QBarSet>
#include <QtCharts/QLegend>
#include <QtCharts/QLegendMarker>
#include <QtCharts/QLineSeries>
#include <QtCharts/QScatterSeries>
#include <QtCharts/QStackedBarSeries>
#include <QtCharts/QValueAxis>

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

    m_frequences = nouvelleVueGraphique(this, 240);
    laisserLaPlaceAuxTextes(m_frequences);
    m_annotations = new AnnotationsGraphique(m_frequences->chart());
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
    connect(m_frequences->chart(), &QChart::plotAreaChanged, this,
            [this] { QMetaObject::invokeMethod(this, &StatistiqueTypesDechetView::montrerLaListe, Qt::QueuedConnection); });

    m_evolution = nouvelleVueGraphique(this, 280);
    laisserLaPlaceAuxTextes(m_evolution);
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
    return m_annotations->textes();
}

void StatistiqueTypesDechetView::recalculer()
{
    const QList<LocationDeBenneStat>& rows = m_source->lesLocations();
    const QTimeZone zone = m_source->zone();
    m_annees = anneesTypes(rows, zone);
    const QList<LocationDeBenneStat> choisies = locationsFiltrees(rows, m_annee, zone);
    m_barres = statsParType(choisies);
    m_points = statsTimeline(choisies, zone);
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
    QChart* chart = m_frequences->chart();
    viderGraphique(chart);
    QList<Barre> barres;
    for (const StatsTypeDechet& b : m_barres)
        barres.append({b.libelle, double(b.nbLocations), couleurTypeDechet(b.couleur), b.libelle});
    QStackedBarSeries* series = barresColorees(chart, barres, QStringLiteral("Nombre de locations"), true);
    // A chart too narrow for the names numbers its bars, and the list under it tells each
    // number's name and value: bars of one colour stay told apart.
    QStringList noms, numeros, entrees;
    for (int i = 0; i < m_barres.size(); ++i) {
        noms.append(m_barres[i].libelle);
        numeros.append(QString::number(i + 1));
        // One entry never breaks across lines; the list breaks between entries.
        entrees.append(QStringLiteral("%1. %2 : %3")
                           .arg(numeros.last(), m_barres[i].libelle, QLocale().toString(m_barres[i].nbLocations))
                           .replace(QLatin1Char(' '), QChar(0x00A0)));
    }
    NomsDesBarres::de(chart)->setNoms(noms, {}, true, numeros);
    m_liste->setText(entrees.join(QStringLiteral("   ")));
    QList<AnnotationsGraphique::Annotation> annotations;
    for (int i = 0; i < m_barres.size(); ++i)
        annotations.append({QPointF(i, double(m_barres[i].nbLocations)), QString::number(m_barres[i].nbLocations), series});
    m_annotations->setAnnotations(annotations,
                                  inkReadableOn(palette().color(QPalette::PlaceholderText), palette().color(QPalette::Window)),
                                  fontForStyle(TextStyle::caption2, font()));
    QStringList lignes;
    for (const StatsTypeDechet& b : m_barres)
        lignes.append(QStringLiteral("%1 : %2").arg(b.libelle, nombreDeLocations(b.nbLocations)));
    decrireGraphique(m_frequences, QStringLiteral("Fréquence par type de déchet"), lignes);
}

void StatistiqueTypesDechetView::montrerLaListe()
{
    // Every bar named (whole, or cut at a slant and whole under the pointer) and every value
    // written: no list. A name left out, or numbers in place of the names: the list.
    const QStringList textes = NomsDesBarres::de(m_frequences->chart())->textes();
    bool tout = m_annotations->textesVisibles().size() == m_annotations->textes().size();
    for (qsizetype i = 0; i < textes.size() && tout; ++i)
        tout = !textes[i].isEmpty() && (textes[i] != QString::number(i + 1) || (i < m_barres.size() && m_barres[i].libelle == textes[i]));
    if (m_liste->isHidden() == tout)
        return;
    m_liste->setVisible(!tout);
}

void StatistiqueTypesDechetView::dessinerEvolution()
{
    QChart* chart = m_evolution->chart();
    viderGraphique(chart);
    QList<qint64> mois;
    qint64 max = 0;
    for (const StatsTimelineTypeDechet& p : m_points) {
        mois.append(p.mois);
        max = std::max(max, p.nbLocations);
    }
    QValueAxis* axeX = axeMois(chart, mois, m_source->zone());
    QValueAxis* axeY = axeValeurs(double(max), true, QStringLiteral("Nombre de locations"));
    chart->addAxis(axeY, Qt::AlignLeft);
    graduationsLisibles(chart, axeY, true);

    m_legendeEvolution.clear();
    QList<LegendeSeries::Entree> entrees;
    int n = 0;
    for (const SerieTypeDechet& s : m_series) {
        m_legendeEvolution.append(s.libelle);
        QList<QPointF> points;
        for (const StatsTimelineTypeDechet& p : s.points)
            points.append(QPointF(double(p.mois), double(p.nbLocations)));
        const QScatterSeries::MarkerShape forme = formeMarqueur(n++);
        ajouterSerie(chart, axeX, axeY, s.libelle, couleurTypeDechet(s.couleur), forme, points, true);
        entrees.append({s.libelle, couleurTypeDechet(s.couleur), forme});
    }
    m_legende->setEntrees(entrees);
    QStringList lignes;
    for (const SerieTypeDechet& s : m_series) {
        QList<ValeurMois> valeurs;
        for (const StatsTimelineTypeDechet& p : s.points)
            valeurs.append({p.mois, double(p.nbLocations)});
        lignes.append(resumeMensuel(s.libelle, valeurs, m_source->zone(),
                                    [](double n) { return nombreDeLocations(qint64(n)); }));
    }
    decrireGraphique(m_evolution, QStringLiteral("Évolution mensuelle par type de déchet"), lignes);
}

} // namespace kv
