#pragma once

// A chart painted by itself: bars, or lines over months, with a value axis, the names under the
// plot, the values over the bars. Its figures are laid out once per width and painted from a
// picture kept until what it shows, its size, its font or its palette change; a statistic kept
// for a return shows it again without work.

#include "statscharts.h"

#include <QColor>
#include <QHash>
#include <QList>
#include <QPixmap>
#include <QPolygonF>
#include <QString>
#include <QTimeZone>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

namespace kv::stats {

class GraphiqueLeger : public QWidget {
    Q_OBJECT
public:
    // `hauteur`: the chart's height before its names and its axis title ask for more.
    GraphiqueLeger(int hauteur, QWidget* parent = nullptr);
    ~GraphiqueLeger() override;

    // One bar: its category, height, colour, the name its tool tip gives (empty: the category),
    // the text written over it (empty: none) and what a screen reader says of it.
    struct Barre {
        QString categorie;
        double valeur = 0;
        QColor couleur;
        QString nom;
        QString texte;
        QString lu;
    };
    // Bars coloured one by one, in order; bars of one category stand on one another. With
    // `numeros`, bars too narrow for their names on end are numbered instead.
    void setBarres(const QList<Barre>& barres, const QString& titreY, bool entiers, bool numeros = false);

    // One line over months: its points (x the month's start in milliseconds), colour and
    // symbol, and what a reader says of it as a whole.
    struct Serie {
        QString nom;
        QColor couleur;
        QScatterSeries::MarkerShape forme = QScatterSeries::MarkerShapeCircle;
        QList<QPointF> points;
        QString lu;
    };
    // A line per series over every calendar month from `mois`' first to its last; a point is
    // read as its month and `valeur`'s text of its value.
    void setSeries(const QList<qint64>& mois, const QList<Serie>& series, const QTimeZone& zone, const QString& titreY,
                   bool entiers, std::function<QString(double)> valeur);
    // The axis title's font (default: the widget's, bold).
    void setPoliceTitre(const QFont& police);

    // What it shows, as drawn: the categories, the bars with their colours taken to read on the
    // window, the series likewise.
    QStringList categories() const { return m_categories; }
    const QList<Barre>& barres() const { return m_barres; }
    const QList<Serie>& series() const { return m_series; }
    QString titreY() const { return m_titreY; }
    // The value axis: its top, its step between marks, and its marks' texts.
    double maximum() const;
    double pas() const;
    QStringList graduations() const;

    // The names under the plot (blank where one gives way), where they stand, their slant.
    QStringList noms() const;
    QList<QPolygonF> emprisesNoms() const;
    int angleNoms() const;
    // The texts over the bars, those shown (one that would touch its left neighbour is left
    // out), and where those stand.
    QStringList annotations() const;
    QStringList annotationsVisibles() const;
    QList<QRectF> placesAnnotations() const;
    // Whether every name is written whole (not a number, not left out) and every value shown.
    bool toutEstEcrit() const;
    // The plot's rectangle, and the bar i's.
    QRectF zoneTrace() const;
    QRectF placeBarre(qsizetype i) const;
    // The axes' texts and the grid lines' colours.
    QColor couleurTextes() const;
    QColor couleurGrille() const;

    // What a screen reader reads: one entry per bar or series; a series' points below it.
    struct Entree {
        QString texte;
        QRectF place;
    };
    qsizetype nombreEntrees() const;
    Entree entree(qsizetype i) const;
    qsizetype nombrePoints(qsizetype serie) const;
    Entree point(qsizetype serie, qsizetype i) const;
    // Counts the changes of what it shows: a reader's entries hold while it stays.
    quint64 versionFigures() const { return m_version; }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int largeur) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // The names and values were laid out anew (a new width, new figures).
    void disposee();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    struct Disposition;
    // Laid out for `largeur` (the widget's width when negative), once per width until the
    // figures, the font or the palette change.
    const Disposition& disposition(int largeur = -1) const;
    std::shared_ptr<const Disposition> dispositionPour(int largeur) const;
    Disposition disposer(int largeur) const;
    void peindre(QPainter& p, const Disposition& d) const;
    void changer();
    void lisibles();

    int m_hauteur;
    quint64 m_version = 1;
    bool m_lignes = false;
    bool m_entiers = true;
    bool m_numeros = false;
    QString m_titreY;
    QFont m_policeTitre;
    bool m_policeTitreDonnee = false;
    QStringList m_categories;
    QList<Barre> m_barres;
    QList<Serie> m_series;
    // The colours as given, before they are taken to read on the window.
    QList<QColor> m_couleurs;
    QList<double> m_mois;
    QStringList m_libellesMois;
    QTimeZone m_zone;
    std::function<QString(double)> m_valeur;
    double m_max = 1;
    double m_pasVoulu = 1;
    mutable QHash<int, std::shared_ptr<const Disposition>> m_dispositions;
    // The chart as painted at its size, until its layout or its figures change.
    mutable QPixmap m_rendu;
    mutable std::shared_ptr<const Disposition> m_rendue;
};

} // namespace kv::stats
