#include "statscharts.h"

#include <QApplication>
#include <QDateTime>
#include <QFontMetricsF>
#include <QGraphicsSimpleTextItem>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QVBoxLayout>

#include <QtCharts/QBarCategoryAxis>
#include <QtCharts/QBarSet>
#include <QtCharts/QCategoryAxis>
#include <QtCharts/QLegend>
#include <QtCharts/QLegendMarker>
#include <QtCharts/QLineSeries>
#include <QtCharts/QPieSeries>
#include <QtCharts/QPieSlice>
#include <QtCharts/QStackedBarSeries>
#include <QtCharts/QValueAxis>

#include <cmath>

namespace kv::stats {

QChartView* nouvelleVueGraphique(QWidget* parent, int hauteur)
{
    auto* chart = new QChart();
    chart->setBackgroundVisible(false);
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->legend()->hide();
    chart->setMargins(QMargins(4, 4, 4, 4));
    chart->setBackgroundRoundness(0);
    auto* view = new QChartView(chart, parent);
    view->setRenderHint(QPainter::Antialiasing);
    view->setFrameShape(QFrame::NoFrame);
    view->setStyleSheet(QStringLiteral("background: transparent"));
    if (hauteur > 0)
        view->setFixedHeight(hauteur);
    return view;
}

QPieSeries* anneau(const QList<Part>& parts, double trou)
{
    auto* series = new QPieSeries();
    series->setPieSize(0.9);
    series->setHoleSize(0.9 * trou);
    QFont police = fontForStyle(TextStyle::caption2, QApplication::font());
    police.setBold(true);
    const QColor fond = QApplication::palette().color(QPalette::Window);
    for (const Part& p : parts) {
        auto* slice = series->append(p.texte, p.valeur);
        slice->setColor(p.couleur);
        // The gap between slices: a border in the window's colour.
        slice->setBorderColor(fond);
        slice->setBorderWidth(2);
        slice->setLabelFont(police);
        slice->setLabelColor(Qt::white);
        slice->setLabelPosition(QPieSlice::LabelInsideHorizontal);
        slice->setLabelVisible(!p.texte.isEmpty());
    }
    return series;
}

QValueAxis* axeValeurs(double max, bool entiers, const QString& titre)
{
    auto* axe = new QValueAxis();
    axe->setTitleText(titre);
    // Room above the tallest mark for its annotation.
    axe->setRange(0, max > 0 ? max * 1.15 : 1.0);
    axe->applyNiceNumbers();
    if (entiers) {
        axe->setLabelFormat(QStringLiteral("%d"));
        const int haut = std::max(1, int(std::ceil(axe->max())));
        if (haut <= 10) {
            axe->setRange(0, haut);
            axe->setTickCount(haut + 1);
        }
    } else {
        axe->setLabelFormat(QStringLiteral("%.1f"));
    }
    return axe;
}

QStackedBarSeries* barresColorees(QChart* chart, const QList<Barre>& barres, const QString& titreY, bool entiers)
{
    QStringList categories;
    for (const Barre& b : barres)
        if (!categories.contains(b.categorie))
            categories.append(b.categorie);

    auto* series = new QStackedBarSeries();
    series->setBarWidth(0.6);
    double max = 0;
    QList<double> piles(categories.size(), 0.0);
    for (const Barre& b : barres) {
        auto* set = new QBarSet(b.nom.isEmpty() ? b.categorie : b.nom);
        const qsizetype c = categories.indexOf(b.categorie);
        for (qsizetype i = 0; i < categories.size(); ++i)
            set->append(i == c ? b.valeur : 0.0);
        set->setColor(b.couleur);
        set->setBorderColor(b.couleur);
        series->append(set);
        piles[c] += b.valeur;
        max = std::max(max, piles[c]);
    }
    chart->addSeries(series);

    auto* axeX = new QBarCategoryAxis();
    axeX->append(categories);
    axeX->setGridLineVisible(false);
    chart->addAxis(axeX, Qt::AlignBottom);
    series->attachAxis(axeX);

    QValueAxis* axeY = axeValeurs(max, entiers, titreY);
    chart->addAxis(axeY, Qt::AlignLeft);
    series->attachAxis(axeY);
    return series;
}

QString libelleMois(qint64 moisMs, const QTimeZone& zone)
{
    return QLocale().toString(QDateTime::fromMSecsSinceEpoch(moisMs, zone).date(), QStringLiteral("MMM yyyy"));
}

QCategoryAxis* axeMois(QChart* chart, const QList<qint64>& moisMs, const QTimeZone& zone)
{
    auto* axe = new QCategoryAxis();
    axe->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    axe->setGridLineVisible(true);
    // Slanted labels take the room they need rather than being cut.
    axe->setTruncateLabels(false);
    constexpr qint64 quinzeJours = 15LL * 24 * 3600 * 1000;
    if (moisMs.isEmpty()) {
        axe->setRange(0, 1);
        axe->setLabelsVisible(false);
    } else {
        const auto [mn, mx] = std::minmax_element(moisMs.cbegin(), moisMs.cend());
        const qint64 debut = *mn - quinzeJours;
        axe->setStartValue(double(debut));
        QDateTime mois = QDateTime::fromMSecsSinceEpoch(*mn, zone);
        while (mois.toMSecsSinceEpoch() <= *mx) {
            axe->append(libelleMois(mois.toMSecsSinceEpoch(), zone), double(mois.toMSecsSinceEpoch()));
            mois = mois.addMonths(1);
        }
        axe->setRange(double(debut), double(*mx + quinzeJours));
    }
    chart->addAxis(axe, Qt::AlignBottom);
    // The labels stand upright while they fit side by side, slanted once they would not.
    QObject::connect(chart, &QChart::plotAreaChanged, axe, [axe](const QRectF& zone) {
        if (axe->count() == 0)
            return;
        const QFontMetricsF fm(axe->labelsFont());
        qreal plusLarge = 0;
        for (const QString& l : axe->categoriesLabels())
            plusLarge = std::max(plusLarge, fm.horizontalAdvance(l));
        const int angle = zone.width() / axe->count() < plusLarge + 8 ? -45 : 0;
        if (axe->labelsAngle() != angle)
            axe->setLabelsAngle(angle);
    });
    return axe;
}

void viderGraphique(QChart* chart)
{
    chart->removeAllSeries();
    for (QAbstractAxis* a : chart->axes()) {
        chart->removeAxis(a);
        delete a;
    }
}

QScatterSeries* ajouterSerie(QChart* chart, QAbstractAxis* axeX, QAbstractAxis* axeY, const QString& nom,
                             const QColor& couleur, QScatterSeries::MarkerShape forme,
                             const QList<QPointF>& points, bool dansLaLegende)
{
    auto* ligne = new QLineSeries();
    ligne->setName(nom);
    ligne->setPen(QPen(couleur, 2));
    auto* symboles = new QScatterSeries();
    symboles->setName(nom);
    symboles->setMarkerShape(forme);
    symboles->setMarkerSize(9);
    symboles->setColor(couleur);
    symboles->setBorderColor(couleur.darker(130));
    ligne->append(points);
    symboles->append(points);
    chart->addSeries(ligne);
    chart->addSeries(symboles);
    for (QAbstractSeries* s : {static_cast<QAbstractSeries*>(ligne), static_cast<QAbstractSeries*>(symboles)}) {
        s->attachAxis(axeX);
        s->attachAxis(axeY);
    }
    // The legend shows the symbol, not the line.
    for (QLegendMarker* m : chart->legend()->markers(ligne))
        m->setVisible(false);
    if (!dansLaLegende)
        for (QLegendMarker* m : chart->legend()->markers(symboles))
            m->setVisible(false);
    return symboles;
}

QScatterSeries::MarkerShape formeMarqueur(int n)
{
    static const QScatterSeries::MarkerShape formes[] = {
        QScatterSeries::MarkerShapeCircle, QScatterSeries::MarkerShapeRectangle,
        QScatterSeries::MarkerShapeTriangle, QScatterSeries::MarkerShapeRotatedRectangle,
        QScatterSeries::MarkerShapePentagon, QScatterSeries::MarkerShapeStar};
    return formes[n % int(std::size(formes))];
}

// ---------------------------------------------------------------------------------------------

AnnotationsGraphique::AnnotationsGraphique(QChart* chart) : QObject(chart), m_chart(chart)
{
    connect(chart, &QChart::plotAreaChanged, this, &AnnotationsGraphique::placer);
}

void AnnotationsGraphique::setAnnotations(const QList<Annotation>& annotations, const QColor& couleur,
                                          const QFont& police)
{
    qDeleteAll(m_items);
    m_items.clear();
    m_annotations = annotations;
    for (const Annotation& a : annotations) {
        auto* item = new QGraphicsSimpleTextItem(a.texte, m_chart);
        item->setBrush(couleur);
        item->setFont(police);
        item->setZValue(10);
        m_items.append(item);
    }
    placer();
}

QStringList AnnotationsGraphique::textes() const
{
    QStringList t;
    for (const Annotation& a : m_annotations)
        t.append(a.texte);
    return t;
}

void AnnotationsGraphique::placer()
{
    for (qsizetype i = 0; i < m_items.size(); ++i) {
        const Annotation& a = m_annotations[i];
        const QPointF p = m_chart->mapToPosition(a.position, a.series);
        const QRectF r = m_items[i]->boundingRect();
        m_items[i]->setPos(p.x() - r.width() / 2, p.y() - r.height() - 2);
    }
}

// ---------------------------------------------------------------------------------------------

namespace {

class Pastille : public QWidget {
public:
    Pastille(const QColor& couleur, int diametre, QWidget* parent) : QWidget(parent), m_couleur(couleur)
    {
        setFixedSize(diametre, diametre);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(m_couleur);
        p.drawEllipse(rect());
    }

private:
    QColor m_couleur;
};

} // namespace

LegendeStat::LegendeStat(int diametre, int espacement, QWidget* parent)
    : QWidget(parent), m_diametre(diametre), m_layout(new QVBoxLayout(this))
{
    m_layout->setContentsMargins(10, 0, 0, 0);
    m_layout->setSpacing(espacement);
}

void LegendeStat::setLignes(const QList<Ligne>& lignes)
{
    qDeleteAll(m_rows);
    m_rows.clear();
    m_lignes = lignes;
    const QFont police = fontForStyle(TextStyle::caption, font());
    for (const Ligne& l : lignes) {
        auto* row = new QWidget(this);
        auto* h = new QHBoxLayout(row);
        h->setContentsMargins(0, 0, 0, 0);
        h->setSpacing(6);
        h->addWidget(new Pastille(l.couleur, m_diametre, row));
        auto* texte = new QLabel(l.texte, row);
        texte->setFont(police);
        h->addWidget(texte);
        h->addStretch();
        m_layout->addWidget(row);
        m_rows.append(row);
    }
}

QStringList LegendeStat::textes() const
{
    QStringList t;
    for (const Ligne& l : m_lignes)
        t.append(l.texte);
    return t;
}

QLabel* titre(const QString& texte, TextStyle style, QWidget* parent)
{
    auto* label = new QLabel(texte, parent);
    label->setFont(fontForStyle(style, parent ? parent->font() : QApplication::font()));
    return label;
}

QWidget* enteteAvecAnnee(const QString& texte, QComboBox*& choix,
                         std::function<void(std::optional<int>)> choisie, QWidget* parent)
{
    auto* entete = new QWidget(parent);
    auto* h = new QHBoxLayout(entete);
    h->setContentsMargins(0, 8, 0, 0);
    h->addWidget(titre(texte, TextStyle::title2, entete));
    h->addStretch();
    h->addWidget(new QLabel(QStringLiteral("Année"), entete));
    auto* combo = new QComboBox(entete);
    combo->setFixedWidth(120);
    QObject::connect(combo, &QComboBox::activated, entete, [combo, choisie = std::move(choisie)](int i) {
        const QVariant a = combo->itemData(i);
        choisie(a.isValid() ? std::optional<int>(a.toInt()) : std::nullopt);
    });
    h->addWidget(combo);
    choix = combo;
    return entete;
}

} // namespace kv::stats
