#include "statscharts.h"

#include "model/helpers.h"
#include "widgets/colors.h"
#include "widgets/forms/formstyle.h"
#include "widgets/plaintext.h"

#include <QApplication>
#include <QCursor>
#include <QDateTime>
#include <QFontMetricsF>
#include <QGraphicsEllipseItem>
#include <QGraphicsLineItem>
#include <QGraphicsSimpleTextItem>
#include <QtMath>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QHelpEvent>
#include <QResizeEvent>
#include <QSet>
#include <QToolTip>
#include <QVBoxLayout>

#include <QtCharts/QBarCategoryAxis>
#include <QtCharts/QBarSet>
#include <QtCharts/QLegend>
#include <QtCharts/QLegendMarker>
#include <QtCharts/QLineSeries>
#include <QtCharts/QPieSeries>
#include <QtCharts/QPieSlice>
#include <QtCharts/QStackedBarSeries>
#include <QtCharts/QValueAxis>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

namespace kv::stats {

bool paletteSombre(const QPalette& palette)
{
    return palette.color(QPalette::Window).lightness() < palette.color(QPalette::WindowText).lightness();
}

QColor marqueLisible(const QColor& couleur, const QChart* chart)
{
    // A chart stands on the window's colour, dark, grey or light: its bars, lines and symbols
    // keep their hue, taken just far enough towards white or black to be seen (3:1, as marks ask).
    if (!chart)
        return couleur;
    return inkReadableOn(couleur, QApplication::palette().color(QPalette::Window), 3.0);
}

namespace {

QChartView* preparer(QChartView* view)
{
    auto* chart = new QChart();
    // The chart follows the desktop's palette as far as its themes go: under a dark palette the
    // dark theme (light axes, ticks and titles, dim grid lines), else the light one. Set before
    // any series or axis joins, so that the colours given to them stay theirs.
    chart->setTheme(paletteSombre(view->palette()) ? QChart::ChartThemeDark : QChart::ChartThemeLight);
    chart->setBackgroundVisible(false);
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->legend()->hide();
    chart->setMargins(QMargins(4, 4, 4, 4));
    chart->setBackgroundRoundness(0);
    view->setChart(chart);
    view->setRenderHint(QPainter::Antialiasing);
    view->setFrameShape(QFrame::NoFrame);
    view->setStyleSheet(QStringLiteral("background: transparent"));
    // A chart has nothing to do with keys: as a Tab stop it would hold the keyboard and show
    // nothing.
    view->setFocusPolicy(Qt::NoFocus);
    return view;
}

class VueCarree : public QChartView {
public:
    VueCarree(QWidget* parent, int minimum, int maximum) : QChartView(parent), m_min(minimum), m_max(maximum)
    {
        QSizePolicy p(QSizePolicy::Preferred, QSizePolicy::Preferred);
        p.setHeightForWidth(true);
        setSizePolicy(p);
        setMinimumSize(minimum, minimum);
        setMaximumSize(maximum, maximum);
    }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int largeur) const override { return std::clamp(largeur, m_min, m_max); }
    // It asks for its least side and takes what its row leaves it, so a row that folds under a
    // narrow window never keeps it wide.
    QSize sizeHint() const override { return {m_min, m_min}; }
    QSize minimumSizeHint() const override { return {m_min, m_min}; }

private:
    int m_min;
    int m_max;
};

} // namespace

QChartView* nouvelleVueGraphique(QWidget* parent, int hauteur)
{
    QChartView* view = preparer(new QChartView(parent));
    if (hauteur > 0)
        view->setFixedHeight(hauteur);
    return view;
}

QChartView* nouvelleVueCarree(QWidget* parent, int minimum, int maximum)
{
    return preparer(new VueCarree(parent, minimum, maximum));
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
        // A slice may be a colour the user chose (a skip's): its text is black or white as reads.
        // Set through a change, so that the chart's theme takes it as chosen and keeps it when
        // the series joins the chart (a colour equal to the default one would be themed over).
        const QColor encre = textColorOn(p.couleur);
        slice->setLabelColor(encre == QColor(Qt::black) ? QColor(Qt::white) : QColor(Qt::black));
        slice->setLabelColor(encre);
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

void graduationsLisibles(QChart* chart, QValueAxis* axe, bool entiers)
{
    const int ticksVoulus = axe->tickCount();
    const auto ajuster = [chart, axe, entiers, ticksVoulus] {
        const double hauteur = chart->plotArea().height();
        const double etendue = axe->max() - axe->min();
        if (!(hauteur > 0) || !(etendue > 0))
            return;
        // A label needs its line and the axis' padding above and below it (3 each), and a
        // little air.
        const double parLibelle = QFontMetricsF(axe->labelsFont()).height() + 10;
        const int intervalles = std::max(1, int(std::floor(hauteur / parLibelle)));
        if (ticksVoulus - 1 <= intervalles) {
            if (axe->tickType() != QValueAxis::TicksFixed)
                axe->setTickType(QValueAxis::TicksFixed);
            return;
        }
        // The smallest round step (1, 2 or 5 times a power of ten) that leaves few enough ticks.
        const double brut = etendue / intervalles;
        double pas = std::pow(10.0, std::floor(std::log10(brut)));
        for (const double m : {1.0, 2.0, 5.0, 10.0})
            if (pas * m >= brut - 1e-9) {
                pas *= m;
                break;
            }
        if (entiers)
            pas = std::max(1.0, std::ceil(pas));
        if (axe->tickType() == QValueAxis::TicksDynamic && axe->tickInterval() == pas && axe->tickAnchor() == axe->min())
            return;
        axe->setTickAnchor(axe->min());
        axe->setTickInterval(pas);
        axe->setTickType(QValueAxis::TicksDynamic);
    };
    QObject::connect(chart, &QChart::plotAreaChanged, axe, ajuster);
    QObject::connect(axe, &QValueAxis::rangeChanged, axe, ajuster);
    ajuster();
}

QString libelleMois(qint64 moisMs, const QTimeZone& zone)
{
    return QLocale().toString(QDateTime::fromMSecsSinceEpoch(moisMs, zone).date(), QStringLiteral("MMM yyyy"));
}

namespace {

// What a label needs beside its text so that it does not touch its neighbour.
constexpr qreal kJeuEtiquette = 8;
// A name standing at a slant keeps at most a third of the plot's width of its text, and at least
// this much.
constexpr int kLongueurEtiquetteTournee = 110;
// Between the plot's bottom and the names.
constexpr int kSousLeGraphique = 6;

} // namespace

qreal plusLarge(const QFontMetricsF& fm, const QStringList& textes)
{
    qreal w = 0;
    for (const QString& t : textes)
        w = std::max(w, fm.horizontalAdvance(t));
    return w;
}

namespace {

// Every `pas`-th text, the others left blank.
QStringList unSurN(const QStringList& textes, int pas)
{
    QStringList out;
    for (qsizetype i = 0; i < textes.size(); ++i)
        out.append(i % pas == 0 ? textes[i] : QString());
    return out;
}

} // namespace

Etiquetage etiqueter(const QFontMetricsF& fm, qreal parCategorie, qreal gauche, const QStringList& longues,
                     const QStringList& courtes, bool tourner, const QStringList& numeros)
{
    if (parCategorie >= plusLarge(fm, longues) + kJeuEtiquette)
        return {longues, 0};
    if (tourner) {
        // Slanted names clear each other when their bars are a line apart across the slant; the
        // first one reaches left of its bar by its whole slant.
        const qreal large = plusLarge(fm, courtes);
        const qreal ligne = fm.height() + 4;
        if (parCategorie >= ligne * std::numbers::sqrt2 && gauche + parCategorie / 2 >= large * std::numbers::sqrt2 / 2)
            return {courtes, -45};
        // On end, names stand a line apart: the font's own leading keeps them clear.
        const qreal debout = fm.height() + 1;
        if (parCategorie >= debout || numeros.isEmpty())
            return {unSurN(courtes, std::max(1, int(std::ceil(debout / parCategorie)))), -90};
        const qreal court = plusLarge(fm, numeros) + kJeuEtiquette / 2;
        if (parCategorie >= court)
            return {numeros, 0};
        // On two rows, each text has two bars' room.
        if (2 * parCategorie >= court)
            return {numeros, 0, true};
        // Fewer numbers on one row, each with the room of the bars it stands for.
        return {unSurN(numeros, std::max(1, int(std::ceil(court / parCategorie)))), 0};
    }
    const qreal courte = plusLarge(fm, courtes) + kJeuEtiquette;
    return {unSurN(courtes, std::max(1, int(std::ceil(courte / parCategorie)))), 0};
}

QStringList nomsRaccourcis(const QFontMetricsF& fm, const QStringList& noms, qreal largeur)
{
    const qreal longueur = std::max<qreal>(kLongueurEtiquetteTournee, largeur / 3);
    QStringList courtes;
    for (const QString& n : noms)
        courtes.append(fm.elidedText(n, Qt::ElideRight, longueur));
    return courtes;
}

QTransform placeNom(const Etiquetage& e, qsizetype i, const QFontMetricsF& fm, qreal centre, qreal haut)
{
    const qreal w = fm.horizontalAdvance(e.textes.value(i));
    if (e.angle == 0)
        return QTransform::fromTranslate(centre - w / 2, haut + (e.decale && i % 2 ? fm.height() + 2 : 0));
    // On end: read upwards, its end under the bar.
    if (e.angle == -90)
        return QTransform().translate(centre - fm.height() / 2, haut + w).rotate(-90);
    // At a slant: its end at the bar's mark, the text going down to the left.
    return QTransform().translate(centre, haut).rotate(e.angle).translate(-w, 0);
}

int hauteurNoms(const Etiquetage& e, const QFontMetricsF& fm)
{
    const qreal large = plusLarge(fm, e.textes);
    const qreal place = e.angle == 0 ? (e.decale ? 2 * fm.height() + 2 : fm.height())
                        : e.angle == -90 ? large : (large + fm.height()) * std::numbers::sqrt2 / 2;
    return int(std::ceil(place)) + kSousLeGraphique;
}

namespace {

QAbstractAxis* axeDesNoms(QChart* chart)
{
    for (QAbstractAxis* a : chart->axes(Qt::Horizontal))
        if (qobject_cast<QBarCategoryAxis*>(a))
            return a;
    return nullptr;
}

} // namespace

NomsDesBarres::NomsDesBarres(QChart* chart) : QObject(chart), m_chart(chart)
{
    connect(chart, &QChart::plotAreaChanged, this, &NomsDesBarres::placer);
}

NomsDesBarres* NomsDesBarres::de(QChart* chart)
{
    if (auto* noms = chart->findChild<NomsDesBarres*>(QString(), Qt::FindDirectChildrenOnly))
        return noms;
    return new NomsDesBarres(chart);
}

void NomsDesBarres::setNoms(const QStringList& longues, const QStringList& courtes, bool tourner,
                            const QStringList& numeros)
{
    m_numeros = numeros;
    m_longues = longues;
    m_courtes = courtes;
    m_tourner = tourner;
    qDeleteAll(m_items);
    m_items.clear();
    for (qsizetype i = 0; i < longues.size(); ++i) {
        auto* item = new QGraphicsSimpleTextItem(m_chart);
        item->setZValue(10);
        m_items.append(item);
    }
    placer();
}

QStringList NomsDesBarres::textes() const
{
    QStringList t;
    for (const QGraphicsSimpleTextItem* item : m_items)
        t.append(item->text());
    return t;
}

QList<QPolygonF> NomsDesBarres::emprises() const
{
    QList<QPolygonF> e;
    for (const QGraphicsSimpleTextItem* item : m_items)
        if (!item->text().isEmpty())
            e.append(item->mapToParent(item->boundingRect()));
    return e;
}

void NomsDesBarres::placer()
{
    QAbstractAxis* axe = axeDesNoms(m_chart);
    const QRectF zone = m_chart->plotArea();
    if (m_enCours || !axe || m_items.isEmpty() || zone.width() <= 0)
        return;
    // The axis keeps its line and marks; the names are ours.
    if (axe->labelsVisible())
        axe->setLabelsVisible(false);
    const QFont police = axe->labelsFont();
    const QFontMetricsF fm(police);
    // Where each name stands across the plot, and the room between two.
    QList<qreal> centres;
    const qreal parCategorie = zone.width() / qreal(m_items.size());
    for (qsizetype i = 0; i < m_items.size(); ++i)
        centres.append(zone.left() + (i + 0.5) * parCategorie);
    const QStringList courtes = m_courtes.isEmpty() ? nomsRaccourcis(fm, m_longues, zone.width()) : m_courtes;
    const Etiquetage e = etiqueter(fm, parCategorie, centres.first() - parCategorie / 2, m_longues, courtes, m_tourner, m_numeros);
    m_angle = e.angle;
    const qreal haut = zone.bottom() + kSousLeGraphique;
    for (qsizetype i = 0; i < m_items.size(); ++i) {
        QGraphicsSimpleTextItem* item = m_items[i];
        item->setText(e.textes.value(i));
        item->setFont(police);
        item->setBrush(axe->labelsBrush());
        item->setTransform(placeNom(e, i, fm, centres[i], haut));
    }
    const int hauteur = hauteurNoms(e, fm);
    if (hauteur != m_hauteur) {
        m_hauteur = hauteur;
        // The chart lays itself out anew: not from within its own layout pass.
        QMetaObject::invokeMethod(this, [this] {
            m_enCours = true;
            QMargins marges = m_chart->margins();
            marges.setBottom(4 + m_hauteur);
            m_chart->setMargins(marges);
            m_enCours = false;
            placer();
        }, Qt::QueuedConnection);
    }
}

void viderGraphique(QChart* chart)
{
    chart->removeAllSeries();
    for (QAbstractAxis* a : chart->axes()) {
        chart->removeAxis(a);
        delete a;
    }
}

void dessinerSymbole(QPainter& p, const QRectF& r, QScatterSeries::MarkerShape forme, const QColor& couleur)
{
    p.setPen(QPen(couleur.darker(130), 1));
    p.setBrush(couleur);
    switch (forme) {
    case QScatterSeries::MarkerShapeRectangle:
        p.drawRect(r);
        break;
    case QScatterSeries::MarkerShapeTriangle:
        p.drawPolygon(QPolygonF{{r.center().x(), r.top()}, r.bottomRight(), r.bottomLeft()});
        break;
    case QScatterSeries::MarkerShapeRotatedRectangle:
        p.drawPolygon(QPolygonF{{r.center().x(), r.top()}, {r.right(), r.center().y()},
                                {r.center().x(), r.bottom()}, {r.left(), r.center().y()}});
        break;
    case QScatterSeries::MarkerShapePentagon:
    case QScatterSeries::MarkerShapeStar: {
        const bool etoile = forme == QScatterSeries::MarkerShapeStar;
        const int pointes = etoile ? 10 : 5;
        QPolygonF polygone;
        for (int k = 0; k < pointes; ++k) {
            const qreal rayon = (etoile && k % 2) ? r.width() / 4 : r.width() / 2;
            const qreal a = -std::numbers::pi / 2 + k * 2 * std::numbers::pi / pointes;
            polygone << QPointF(r.center().x() + rayon * std::cos(a), r.center().y() + rayon * std::sin(a));
        }
        p.drawPolygon(polygone);
        break;
    }
    default:
        p.drawEllipse(r);
    }
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

// ---------------------------------------------------------------------------------------------

EtiquettesAnneau::EtiquettesAnneau(QChart* chart, int diametre) : QObject(chart), m_chart(chart), m_diametre(diametre)
{
    connect(chart, &QChart::plotAreaChanged, this, &EtiquettesAnneau::placer);
}

void EtiquettesAnneau::setSeries(QPieSeries* series)
{
    for (const Etiquette& e : std::as_const(m_etiquettes)) {
        delete e.pastille;
        delete e.texte;
    }
    m_etiquettes.clear();
    m_series = series;
    if (!series)
        return;
    for (QPieSlice* slice : series->slices()) {
        if (slice->label().isEmpty())
            continue;
        Etiquette e;
        if (m_diametre > 0) {
            e.pastille = new QGraphicsEllipseItem(0, 0, m_diametre, m_diametre, m_chart);
            e.pastille->setBrush(slice->color());
            // A ring in the text's colour makes the disc stand out on a slice of its own colour.
            e.pastille->setPen(QPen(slice->labelColor(), 1));
            e.pastille->setZValue(10);
        }
        e.texte = new QGraphicsSimpleTextItem(slice->label(), m_chart);
        e.texte->setFont(slice->labelFont());
        e.texte->setBrush(slice->labelColor());
        e.texte->setZValue(10);
        m_etiquettes.append(e);
        slice->setLabelVisible(false);
    }
    placer();
}

QStringList EtiquettesAnneau::textes() const
{
    QStringList t;
    for (const Etiquette& e : m_etiquettes)
        t.append(e.texte->text());
    return t;
}

QStringList EtiquettesAnneau::textesVisibles() const
{
    QStringList t;
    for (const Etiquette& e : m_etiquettes)
        t.append(e.texte->isVisible() ? e.texte->text() : QString());
    return t;
}

namespace {

// A ring as the chart draws it: centred in the plot area, its radius the half of the shorter
// side times the pie size, the hole likewise.
struct Cercles {
    QPointF centre;
    qreal exterieur = 0;
    qreal trou = 0;
};

Cercles cercles(const QChart* chart, const QPieSeries* series)
{
    const QRectF zone = chart->plotArea();
    const qreal demi = std::min(zone.width(), zone.height()) / 2;
    return {QPointF(zone.left() + zone.width() * series->horizontalPosition(),
                    zone.top() + zone.height() * series->verticalPosition()),
            demi * series->pieSize(), demi * series->holeSize()};
}

// The middle of a slice's band.
QPointF milieuTranche(const QChart* chart, const QPieSeries* series, const QPieSlice* slice)
{
    const Cercles c = cercles(chart, series);
    const qreal rayon = (c.exterieur + c.trou) / 2;
    // Angles run clockwise from twelve o'clock, in degrees.
    const qreal angle = qDegreesToRadians(slice->startAngle() + slice->angleSpan() / 2);
    return {c.centre.x() + rayon * std::sin(angle), c.centre.y() - rayon * std::cos(angle)};
}

// Whether a text centred there stays on the ring's band: white on the window around the ring or
// in its hole cannot be read.
bool surLAnneau(const QChart* chart, const QPieSeries* series, const QPointF& milieu, const QSizeF& taille)
{
    const Cercles c = cercles(chart, series);
    const QRectF r(milieu.x() - taille.width() / 2, milieu.y() - taille.height() / 2, taille.width(), taille.height());
    for (const QPointF& p : {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight(),
                             QPointF(r.center().x(), r.top()), QPointF(r.center().x(), r.bottom()),
                             QPointF(r.left(), r.center().y()), QPointF(r.right(), r.center().y())}) {
        const qreal d = std::hypot(p.x() - c.centre.x(), p.y() - c.centre.y());
        if (d > c.exterieur || d < c.trou)
            return false;
    }
    return true;
}

// Whether a text centred there stands inside its slice: on the ring's band and between the
// slice's edges, so that it runs neither off the ring nor over the next slice.
bool dansLaTranche(const QChart* chart, const QPieSeries* series, const QPieSlice* slice, const QPointF& milieu,
                   const QSizeF& taille)
{
    if (!surLAnneau(chart, series, milieu, taille))
        return false;
    if (slice->angleSpan() >= 360 - 1e-9)
        return true;
    const Cercles c = cercles(chart, series);
    const QRectF r(milieu.x() - taille.width() / 2, milieu.y() - taille.height() / 2, taille.width(), taille.height());
    for (const QPointF& p : {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight(),
                             QPointF(r.center().x(), r.top()), QPointF(r.center().x(), r.bottom()),
                             QPointF(r.left(), r.center().y()), QPointF(r.right(), r.center().y())}) {
        // Clockwise from twelve o'clock, as the slices' angles run.
        qreal angle = qRadiansToDegrees(std::atan2(p.x() - c.centre.x(), c.centre.y() - p.y()));
        if (angle < 0)
            angle += 360;
        if (angle < slice->startAngle() || angle > slice->startAngle() + slice->angleSpan())
            return false;
    }
    return true;
}

} // namespace

void textesDansLeGraphique(QChart* chart, QPieSeries* series)
{
    auto* etiquettes = chart->findChild<EtiquettesAnneau*>(QStringLiteral("textesAnneau"), Qt::FindDirectChildrenOnly);
    if (!etiquettes) {
        etiquettes = new EtiquettesAnneau(chart, 0);
        etiquettes->setObjectName(QStringLiteral("textesAnneau"));
    }
    etiquettes->setSeries(series);
}

void EtiquettesAnneau::placer()
{
    if (!m_series)
        return;
    constexpr qreal kEcart = 4;
    qsizetype i = 0;
    for (QPieSlice* slice : m_series->slices()) {
        if (slice->label().isEmpty() || i >= m_etiquettes.size())
            continue;
        const Etiquette& e = m_etiquettes[i++];
        const QPointF milieu = milieuTranche(m_chart, m_series, slice);
        const QRectF texte = e.texte->boundingRect();
        const qreal ecart = e.pastille ? m_diametre + kEcart : 0;
        const qreal largeur = ecart + texte.width();
        const qreal gauche = milieu.x() - largeur / 2;
        e.texte->setPos(gauche + ecart, milieu.y() - texte.height() / 2);
        // A text that would stand out of its slice of a small chart is left to the legend.
        const bool visible = slice->value() > 0
                             && dansLaTranche(m_chart, m_series, slice, milieu,
                                              QSizeF(largeur, std::max<qreal>(texte.height(), m_diametre)));
        e.texte->setVisible(visible);
        if (e.pastille) {
            e.pastille->setPos(gauche, milieu.y() - m_diametre / 2.0);
            e.pastille->setVisible(visible);
        }
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

LegendeSeries::LegendeSeries(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

void LegendeSeries::setEntrees(const QList<Entree>& entrees)
{
    m_entrees = entrees;
    m_places.clear();
    updateGeometry();
    update();
}

namespace {
constexpr int kSymbole = 9;
constexpr int kApresSymbole = 5;
constexpr int kEntreEntrees = 16;
constexpr int kEntreRangees = 4;
} // namespace

QList<LegendeSeries::Place> LegendeSeries::places(int largeur) const
{
    if (m_policePlaces != font()) {
        m_places.clear();
        m_policePlaces = font();
    }
    if (const auto it = m_places.constFind(largeur); it != m_places.cend())
        return *it;
    const QFontMetrics fm(font());
    const int hauteur = std::max(fm.height(), kSymbole);
    QList<Place> out;
    int x = 0;
    int y = 0;
    for (const Entree& e : m_entrees) {
        const int texte = fm.horizontalAdvance(e.nom);
        int w = kSymbole + kApresSymbole + texte;
        if (x > 0 && x + w > largeur) {
            x = 0;
            y += hauteur + kEntreRangees;
        }
        const int reste = std::max(0, largeur - x - kSymbole - kApresSymbole);
        Place p;
        p.nom = texte > reste ? fm.elidedText(e.nom, Qt::ElideRight, reste) : e.nom;
        p.symbole = QRect(x, y + (hauteur - kSymbole) / 2, kSymbole, kSymbole);
        p.texte = QRect(x + kSymbole + kApresSymbole, y, std::min(texte, reste) + 1, hauteur);
        out.append(p);
        x += std::min(w, largeur) + kEntreEntrees;
    }
    if (m_places.size() > 16)
        m_places.clear();
    m_places.insert(largeur, out);
    return out;
}

int LegendeSeries::heightForWidth(int largeur) const
{
    const QList<Place> p = places(largeur);
    return p.isEmpty() ? 0 : p.last().texte.bottom() + 1;
}

QSize LegendeSeries::sizeHint() const
{
    const QFontMetrics fm(font());
    int largeur = 0;
    for (const Entree& e : m_entrees)
        largeur += kSymbole + kApresSymbole + fm.horizontalAdvance(e.nom) + kEntreEntrees;
    return {std::max(0, largeur - kEntreEntrees), heightForWidth(std::max(1, largeur))};
}

QSize LegendeSeries::minimumSizeHint() const
{
    return {kSymbole + kApresSymbole + 40, 0};
}

QStringList LegendeSeries::nomsAffiches() const
{
    QStringList noms;
    for (const Place& p : places(width()))
        noms.append(p.nom);
    return noms;
}

bool LegendeSeries::event(QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    auto* aide = static_cast<QHelpEvent*>(event);
    const QList<Place> ici = places(width());
    for (qsizetype i = 0; i < ici.size(); ++i) {
        if (ici[i].texte.united(ici[i].symbole).contains(aide->pos()) && ici[i].nom != m_entrees[i].nom) {
            QToolTip::showText(aide->globalPos(), plainToolTip(m_entrees[i].nom), this);
            return true;
        }
    }
    QToolTip::hideText();
    event->ignore();
    return true;
}

void LegendeSeries::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QList<Place> ici = places(width());
    for (qsizetype i = 0; i < ici.size(); ++i) {
        const Entree& e = m_entrees[i];
        const QRectF r = QRectF(ici[i].symbole).adjusted(0.5, 0.5, -0.5, -0.5);
        dessinerSymbole(p, r, e.forme, inkReadableOn(e.couleur, palette().color(QPalette::Window), 3.0));
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(ici[i].texte, Qt::AlignLeft | Qt::AlignVCenter, ici[i].nom);
    }
}

QLabel* titre(const QString& texte, TextStyle style, QWidget* parent)
{
    auto* label = new QLabel(texte, parent);
    label->setFont(fontForStyle(style, parent ? parent->font() : QApplication::font()));
    label->setWordWrap(true);
    return label;
}

RangeeRepliable::RangeeRepliable(QWidget* premier, QWidget* controles, QWidget* parent)
    : QWidget(parent), m_premier(premier), m_controles(controles), m_rangee(new QBoxLayout(QBoxLayout::LeftToRight, this))
{
    m_rangee->setContentsMargins(0, 0, 0, 0);
    m_rangee->setSpacing(12);
    premier->setParent(this);
    controles->setParent(this);
    m_rangee->addWidget(premier, 1);
    m_rangee->addWidget(controles, 0, Qt::AlignVCenter);
}

bool RangeeRepliable::replie() const
{
    return m_rangee->direction() == QBoxLayout::TopToBottom;
}

bool RangeeRepliable::event(QEvent* event)
{
    // The controls grew or shrank (years added, say): the header may fold at the same width.
    if (event->type() == QEvent::LayoutRequest)
        replier(width());
    return QWidget::event(event);
}

void RangeeRepliable::resizeEvent(QResizeEvent* event)
{
    replier(event->size().width());
    QWidget::resizeEvent(event);
}

int RangeeRepliable::largeurPremier() const
{
    // A wrapping label's size hint is already wrapped: its text is measured instead.
    if (const auto* titre = qobject_cast<const QLabel*>(m_premier)) {
        const QMargins m = titre->contentsMargins();
        return titre->fontMetrics().horizontalAdvance(titre->text()) + 2 + m.left() + m.right();
    }
    return m_premier->sizeHint().width();
}

void RangeeRepliable::replier(int largeur)
{
    const QMargins m = m_rangee->contentsMargins();
    const int uneLigne = largeurPremier() + m.left() + m.right()
                         + (m_controles->isVisibleTo(this) ? m_rangee->spacing() + m_controles->sizeHint().width() : 0);
    const bool replie = largeur < uneLigne;
    if (replie == this->replie())
        return;
    m_rangee->setDirection(replie ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight);
    m_rangee->setStretchFactor(m_premier, replie ? 0 : 1);
    m_rangee->setAlignment(m_controles, replie ? Qt::AlignLeft : Qt::AlignVCenter);
}

void decrireGraphique(QWidget* vue, const QString& nom, const QStringList& lignes)
{
    vue->setAccessibleName(nom);
    vue->setAccessibleDescription(lignes.isEmpty() ? QStringLiteral("Aucune donnée.") : lignes.join(QLatin1Char('\n')));
}

QString resumeMensuel(const QString& nom, const QList<ValeurMois>& serie, const QTimeZone& zone,
                      const std::function<QString(double)>& valeur)
{
    if (serie.isEmpty())
        return nom + QStringLiteral(" : aucune donnée");
    const auto mois = [&](qint64 ms) {
        return QLocale().toString(QDateTime::fromMSecsSinceEpoch(ms, zone).date(), QStringLiteral("MMMM yyyy"));
    };
    const ValeurMois* haut = &serie.first();
    QSet<qint64> moisVus;
    for (const ValeurMois& v : serie) {
        moisVus.insert(v.mois);
        if (v.valeur > haut->valeur)
            haut = &v;
    }
    return QStringLiteral("%1 : %2 mois ; le plus haut en %3 (%4) ; le dernier, %5 (%6)")
        .arg(nom, QLocale().toString(moisVus.size()), mois(haut->mois), valeur(haut->valeur), mois(serie.last().mois),
             valeur(serie.last().valeur));
}

QWidget* enteteAvecAnnee(const QString& texte, QComboBox*& choix,
                         std::function<void(std::optional<int>)> choisie, QWidget* parent)
{
    auto* annee = new QWidget(parent);
    auto* ligneAnnee = new QHBoxLayout(annee);
    ligneAnnee->setContentsMargins(0, 0, 0, 0);
    auto* etiquette = new QLabel(QStringLiteral("Année"), annee);
    ligneAnnee->addWidget(etiquette);
    auto* combo = new QComboBox(annee);
    etiquette->setBuddy(combo);
    combo->setAccessibleName(etiquette->text());
    combo->setFixedWidth(120);
    QObject::connect(combo, &QComboBox::activated, annee, [combo, choisie = std::move(choisie)](int i) {
        const QVariant a = combo->itemData(i);
        choisie(a.isValid() ? std::optional<int>(a.toInt()) : std::nullopt);
    });
    ligneAnnee->addWidget(combo);
    choix = combo;
    auto* entete = new RangeeRepliable(titre(texte, TextStyle::title2, parent), annee, parent);
    entete->layout()->setContentsMargins(0, 8, 0, 0);
    return entete;
}

} // namespace kv::stats
