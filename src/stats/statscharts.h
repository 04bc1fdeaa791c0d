#pragma once

// Pieces shared by the statistic charts: a chart view with the program's look, ring charts,
// bars coloured one by one, counts written above bars, month axes, and the legends that the
// statistics draw beside their charts.

#include "widgets/textstyles.h"

#include <QColor>
#include <QComboBox>
#include <QHash>
#include <QList>
#include <QString>
#include <QTimeZone>
#include <QTransform>
#include <QFontMetricsF>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>

#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtCharts/QScatterSeries>

class QLabel;
class QBoxLayout;
class QVBoxLayout;
class QGraphicsEllipseItem;
class QPainter;
class QGraphicsSimpleTextItem;
class QAbstractSeries;
class QAbstractAxis;
class QPieSeries;
class QStackedBarSeries;
class QBarCategoryAxis;
class QValueAxis;

namespace kv::stats {

// Whether a palette writes light text on a dark window.
bool paletteSombre(const QPalette& palette);

// A mark's colour (a bar, a line, a symbol) as a chart draws it: taken towards white or black
// until it reads at 3:1 on the window, under every palette.
QColor marqueLisible(const QColor& couleur, const QChart* chart);

// A chart in a view: antialiased, transparent background, no animation, legend hidden.
QChartView* nouvelleVueGraphique(QWidget* parent, int hauteur);
// The same, square: as wide as its room allows between `minimum` and `maximum`, and as high.
QChartView* nouvelleVueCarree(QWidget* parent, int minimum, int maximum);

// One slice of a ring: its value, colour and the text written on it (empty: none).
struct Part {
    double valeur = 0;
    QColor couleur;
    QString texte;
};
// A ring whose hole is `trou` of the pie's size, slices parted by a thin gap, texts inside the
// slices in bold white.
QPieSeries* anneau(const QList<Part>& parts, double trou);
// Writes the texts of a ring's slices over them, each only while it stands whole inside its own
// slice: a text that would spill over the ring's edge or into the next slice is left to the
// legend, never cut. The chart's own slice labels (which cut a text to its slice) stay hidden.
void textesDansLeGraphique(QChart* chart, QPieSeries* series);

// A value axis from 0 with room above `max`; whole numbers only when `entiers` (counts), with
// one mark per unit while they are few.
QValueAxis* axeValeurs(double max, bool entiers, const QString& titre = {});
// Keeps the value axis' labels whole in a low chart: when its ticks stand closer than a label is
// high, it shows fewer of them, at a round step (whole numbers for an axis of counts), and its
// own ticks again when the chart grows. Call once the axis is added to the chart.
void graduationsLisibles(QChart* chart, QValueAxis* axe, bool entiers);

// The label of a month start in the user's locale.
QString libelleMois(qint64 moisMs, const QTimeZone& zone);

// Which names stand under a plot, and how: the long ones while they stand side by side, else
// the short ones (with `tourner`: at a slant, then on end), else numbers (when given), else only
// every second (third, …) one; blank where a name gives way. `parCategorie` is the room between
// two names, `gauche` that left of the first one's slot.
struct Etiquetage {
    QStringList textes;
    int angle = 0;
    // Every second text a line lower, so that neighbours clear each other.
    bool decale = false;
};
Etiquetage etiqueter(const QFontMetricsF& fm, qreal parCategorie, qreal gauche, const QStringList& longues,
                     const QStringList& courtes, bool tourner, const QStringList& numeros);
// Where the i-th name stands, centred at `centre` under a plot whose names start at `haut`: the
// transform of its text box (top left at 0, 0).
QTransform placeNom(const Etiquetage& e, qsizetype i, const QFontMetricsF& fm, qreal centre, qreal haut);
// The room the names take below the plot.
int hauteurNoms(const Etiquetage& e, const QFontMetricsF& fm);
qreal plusLarge(const QFontMetricsF& fm, const QStringList& textes);
// Names cut to what a slanted name may take under a plot `largeur` wide.
QStringList nomsRaccourcis(const QFontMetricsF& fm, const QStringList& noms, qreal largeur);

// The names under the bars of a chart, drawn by us rather than by its category axis (whose own
// labels are hidden): they give way to the plot's width, the long ones while they stand side by
// side, else the short ones (for names, `tourner`: at a slant while slanted names clear each
// other, then on end, cut to a length), else only every second (third, …) one. The chart keeps
// room for them below its plot. Plain text, never read as markup.
class NomsDesBarres : public QObject {
    Q_OBJECT
public:
    // The names of `chart`, made on first use.
    static NomsDesBarres* de(QChart* chart);
    // `courtes` empty: the long names, cut to a length when they turn. With `numeros` (numbers
    // told in a list beside, or initials), bars too narrow for every name on end show those,
    // upright, rather than leave names out.
    void setNoms(const QStringList& longues, const QStringList& courtes, bool tourner, const QStringList& numeros = {});
    // The texts shown, blank where a name gives way, and where they stand in the chart.
    QStringList textes() const;
    // Per slice with a text, that text while it is shown on the ring, else empty.
    QStringList textesVisibles() const;
    QList<QPolygonF> emprises() const;
    int angle() const { return m_angle; }
    // The room the names take below the plot.
    int hauteur() const { return m_hauteur; }

private:
    explicit NomsDesBarres(QChart* chart);
    void placer();
    QChart* m_chart;
    QStringList m_longues;
    QStringList m_courtes;
    QStringList m_numeros;
    bool m_tourner = false;
    QList<class QGraphicsSimpleTextItem*> m_items;
    int m_angle = 0;
    int m_hauteur = 0;
    bool m_enCours = false;
};

// Removes every series and axis of a chart.
void viderGraphique(QChart* chart);

// The symbol of a series' shape in `r`: filled with its colour, in a darker outline.
void dessinerSymbole(QPainter& p, const QRectF& r, QScatterSeries::MarkerShape forme, const QColor& couleur);

// The marker shape of the n-th series (each series its own, wrapping).
QScatterSeries::MarkerShape formeMarqueur(int n);

// The texts of a ring laid over its slices, each after a disc of its slice's colour (none when
// `diametre` is 0; the chart's own slice labels cannot show one), in bold white, kept in place
// when the plot area moves, left out while they would spill out of their slice. The slices' own
// labels are hidden.
class EtiquettesAnneau : public QObject {
    Q_OBJECT
public:
    struct Etiquette {
        QGraphicsEllipseItem* pastille = nullptr;
        QGraphicsSimpleTextItem* texte = nullptr;
    };
    EtiquettesAnneau(QChart* chart, int diametre);
    // Labels for the slices of `series` (null: none), from their label texts.
    void setSeries(QPieSeries* series);
    QList<Etiquette> etiquettes() const { return m_etiquettes; }
    QStringList textes() const;
    // Per slice with a text, that text while it is shown on the ring, else empty.
    QStringList textesVisibles() const;

private:
    void placer();
    QChart* m_chart;
    int m_diametre;
    QPointer<QPieSeries> m_series;
    QList<Etiquette> m_etiquettes;
};

// A legend of our own: one row per entry, a disc of the entry's colour and its text.
class LegendeStat : public QWidget {
    Q_OBJECT
public:
    struct Ligne {
        QColor couleur;
        QString texte;
    };
    LegendeStat(int diametre, int espacement, QWidget* parent = nullptr);
    void setLignes(const QList<Ligne>& lignes);
    QList<Ligne> lignes() const { return m_lignes; }
    QStringList textes() const;
    // Per slice with a text, that text while it is shown on the ring, else empty.
    QStringList textesVisibles() const;

private:
    int m_diametre;
    QVBoxLayout* m_layout;
    QList<Ligne> m_lignes;
    QList<QWidget*> m_rows;
};

// The legend of a chart's series under it: a symbol of each series' shape and colour, then its
// name, entries flowing onto as many rows as the width asks, every name whole.
class LegendeSeries : public QWidget {
    Q_OBJECT
public:
    struct Entree {
        QString nom;
        QColor couleur;
        QScatterSeries::MarkerShape forme = QScatterSeries::MarkerShapeCircle;
    };
    explicit LegendeSeries(QWidget* parent = nullptr);
    void setEntrees(const QList<Entree>& entrees);
    QList<Entree> entrees() const { return m_entrees; }
    // The names as painted at the current width (cut only when one alone is wider than the legend).
    QStringList nomsAffiches() const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int largeur) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    // A name cut with "…" shows whole in its tool tip.
    bool event(QEvent* event) override;

private:
    struct Place {
        QRect symbole;
        QRect texte;
        QString nom;
    };
    QList<Place> places(int largeur) const;
    QList<Entree> m_entrees;
    // The places computed per width, for the font they were computed with: a layout asks for
    // them many times, at a few widths.
    mutable QHash<int, QList<Place>> m_places;
    mutable QFont m_policePlaces;
};

// A title label in one of the text styles, on as many lines as its width needs.
QLabel* titre(const QString& texte, TextStyle style, QWidget* parent);

// A header row: a title (or a wide control), then controls at the trailing end while the first
// fits on one line beside them; narrower, the first takes the whole width (a title wraps) and
// the controls go under it, at the leading edge.
class RangeeRepliable : public QWidget {
    Q_OBJECT
public:
    RangeeRepliable(QWidget* premier, QWidget* controles, QWidget* parent = nullptr);
    bool replie() const;

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void replier(int largeur);
    // The first widget's width on one line: a title's text whole, another widget's size hint.
    int largeurPremier() const;
    QWidget* m_premier;
    QWidget* m_controles;
    QBoxLayout* m_rangee;
};

// A chart's text equivalent, as a screen reader reads it: its name, then what it shows, a line
// per bar or series.
void decrireGraphique(QWidget* vue, const QString& nom, const QStringList& lignes);
// A series of monthly values told in words: how many months, the highest and the last, each
// with its month ("mars 2026"); `valeur` writes a value with its unit.
struct ValeurMois {
    qint64 mois = 0; // first instant of the month
    double valeur = 0;
};
QString resumeMensuel(const QString& nom, const QList<ValeurMois>& serie, const QTimeZone& zone,
                      const std::function<QString(double)>& valeur);

// A statistic's title with the "Année" picker at its trailing end. `choix` receives the picker;
// `choisie` is called with the year of the item picked (none for an item without a year).
QWidget* enteteAvecAnnee(const QString& texte, QComboBox*& choix,
                         std::function<void(std::optional<int>)> choisie, QWidget* parent);

} // namespace kv::stats
