#include "statistiquesaisonnaliteview.h"

#include "choixsegmente.h"
#include "sourcestatistiques.h"
#include "statscharts.h"
#include "widgets/colors.h"

#include "widgets/foldingrow.h"
#include "widgets/icons.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <QtCharts/QBarCategoryAxis>
#include <QtCharts/QLineSeries>
#include <QtCharts/QScatterSeries>
#include <QtCharts/QValueAxis>

namespace kv {

using namespace stats;

namespace {

// A symbol and a text in one colour, made dark or light enough to read on the window.
QWidget* etiquetteSymbole(const QString& symbole, QLabel* texte, const QColor& teinte, QWidget* parent)
{
    const QColor couleur = inkReadableOn(teinte, parent->palette().color(QPalette::Window));
    auto* w = new QWidget(parent);
    auto* h = new QHBoxLayout(w);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(4);
    auto* icone = new QLabel(w);
    icone->setPixmap(paintedSymbolIcon(symbole, couleur).pixmap(16, 16));
    h->addWidget(icone);
    texte->setParent(w);
    QPalette pal = texte->palette();
    pal.setColor(QPalette::WindowText, couleur);
    texte->setPalette(pal);
    h->addWidget(texte);
    return w;
}

} // namespace

StatistiqueSaisonnaliteView::StatistiqueSaisonnaliteView(SourceStatistiques* source, int anneeSelectionnee,
                                                         QWidget* parent)
    : QWidget(parent), m_source(source), m_annee(anneeSelectionnee), m_anneeDeDepart(anneeSelectionnee)
{
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(20, 20, 20, 20);
    v->setSpacing(6);

    m_choix = new ChoixSegmente(QStringLiteral("Année"), this);
    connect(m_choix, &ChoixSegmente::choisi, this, [this](const QVariant& a) { setAnneeSelectionnee(a.toInt()); });
    v->addWidget(m_choix);
    v->addSpacing(4);

    m_titre = titre(QString(), TextStyle::title2, this);
    v->addWidget(m_titre);
    v->addSpacing(6);

    m_vue = nouvelleVueGraphique(this, 260);
    v->addWidget(m_vue);

    const QFont police = fontForStyle(TextStyle::subheadline, font());
    m_pic = new QLabel(this);
    m_pic->setFont(police);
    m_creux = new QLabel(this);
    m_creux->setFont(police);
    // Side by side and centred, or one under the other when the width is short.
    auto* picCreux = new FoldingRow(this);
    m_picCreux = picCreux;
    QBoxLayout* h = picCreux->row();
    h->setContentsMargins(0, 4, 0, 0);
    h->setSpacing(24);
    h->addStretch();
    h->addWidget(etiquetteSymbole(QStringLiteral("flame.fill"), m_pic, QColor(255, 149, 0), m_picCreux));
    h->addWidget(etiquetteSymbole(QStringLiteral("drop.fill"), m_creux, QColor(0, 122, 255), m_picCreux));
    h->addStretch();
    v->addWidget(m_picCreux);
    v->addStretch(1);

    connect(source, &SourceStatistiques::changed, this, [this](EntityTypeMask types) {
        if (types & (SourceStatistiques::kLocations))
            recalculer();
    });
    recalculer();
}

void StatistiqueSaisonnaliteView::setAnneeSelectionnee(int annee)
{
    if (annee == m_annee)
        return;
    m_annee = annee;
    recalculer();
}

QString StatistiqueSaisonnaliteView::titreAffiche() const
{
    return m_titre->text();
}

QString StatistiqueSaisonnaliteView::textePic() const
{
    return m_pic->text();
}

QString StatistiqueSaisonnaliteView::texteCreux() const
{
    return m_creux->text();
}

void StatistiqueSaisonnaliteView::recalculer()
{
    // Counts per month: the order of the rentals does not matter.
    m_dates = datesPose(m_source->locationsSansOrdre());
    m_annees = anneesSaisonnalite(m_dates, m_annee, m_source->zone());
    if (!m_annees.contains(m_anneeDeDepart)) {
        m_annees.append(m_anneeDeDepart);
        std::sort(m_annees.begin(), m_annees.end());
    }
    m_serie = statsParMois(m_dates, m_annee, m_source->zone());
    dessiner();
}

void StatistiqueSaisonnaliteView::dessiner()
{
    QList<std::pair<QString, QVariant>> options;
    for (int a : m_annees)
        options.append({QString::number(a), a});
    m_choix->setOptions(options);
    m_choix->setValeur(m_annee);
    m_choix->setVisible(m_annees.size() >= 2);

    m_titre->setText(QStringLiteral("Nombre de locations par mois en ") + QString::number(m_annee));

    QChart* chart = m_vue->chart();
    viderGraphique(chart);

    // The curve is computed on the chart's unit square so that both axes weigh alike.
    qint64 max = 0;
    for (const StatsLocationMois& m : m_serie)
        max = std::max(max, m.nombre);
    const double echelleY = max > 0 ? double(max) : 1.0;
    QList<QPointF> normalises;
    for (int i = 0; i < m_serie.size(); ++i)
        normalises.append(QPointF(i / 11.0, m_serie[i].nombre / echelleY));

    const QColor couleur = marqueLisible(QColor(0, 122, 255), chart);
    m_courbe = new QLineSeries();
    m_courbe->setName(QStringLiteral("Locations"));
    for (const QPointF& p : courbeMonotone(normalises))
        m_courbe->append(p.x() * 11.0, p.y() * echelleY);
    m_courbe->setPen(QPen(couleur, 2));
    m_points = new QScatterSeries();
    m_points->setName(QStringLiteral("Locations"));
    m_points->setMarkerSize(8);
    m_points->setColor(couleur);
    m_points->setBorderColor(couleur);
    for (int i = 0; i < m_serie.size(); ++i)
        m_points->append(i, double(m_serie[i].nombre));
    chart->addSeries(m_courbe);
    chart->addSeries(m_points);

    auto* axeX = new QBarCategoryAxis();
    axeX->append(libellesMois());
    chart->addAxis(axeX, Qt::AlignBottom);
    // A narrow chart slants its months, or stands them on end, and narrower still reads them
    // by their initials, rather than leave any out.
    axeX->setLabelsVisible(false);
    QStringList initiales;
    for (const QString& m : libellesMois())
        initiales.append(m.left(1));
    NomsDesBarres::de(chart)->setNoms(libellesMois(), {}, true, initiales);
    QValueAxis* axeY = axeValeurs(double(max), true);
    chart->addAxis(axeY, Qt::AlignLeft);
    graduationsLisibles(chart, axeY, true);
    for (QAbstractSeries* s : {static_cast<QAbstractSeries*>(m_courbe), static_cast<QAbstractSeries*>(m_points)}) {
        s->attachAxis(axeX);
        s->attachAxis(axeY);
    }

    // What the curve shows, in words: a line per month.
    QStringList lignes;
    for (int i = 0; i < m_serie.size(); ++i)
        lignes.append(QStringLiteral("%1 : %2 %3")
                          .arg(QLocale().standaloneMonthName(i + 1), QLocale().toString(m_serie[i].nombre),
                               m_serie[i].nombre > 1 ? QStringLiteral("locations") : QStringLiteral("location")));
    decrireGraphique(m_vue, m_titre->text(), lignes);

    const auto pc = picCreux(m_serie);
    m_picCreux->setVisible(pc.has_value());
    if (pc) {
        m_pic->setText(stats::textePic(pc->pic));
        m_creux->setText(stats::texteCreux(pc->creux));
    }
}

} // namespace kv
