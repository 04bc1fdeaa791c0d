#pragma once

// The header of the planning grid: one painted cell per day in view, weekday, day and month,
// year; Sundays tinted red. It follows the grid's horizontal scrolling.

#include <QDate>
#include <QPixmap>
#include <QStringList>
#include <QWidget>

namespace kv::planning {

class GrillePlanning;

class EnteteJours : public QWidget {
    Q_OBJECT
public:
    explicit EnteteJours(GrillePlanning* grille);

    // The three lines of a day's cell, in the application's locale.
    static QStringList lignesJour(const QDate& jour);
    static bool estDimanche(const QDate& jour) { return jour.dayOfWeek() == Qt::Sunday; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    // The picture of column i, showing `jour`; drawn once per day list.
    QPixmap cellule(int i, const QDate& jour);

    GrillePlanning* m_grille;
    QDate m_premierJour;
    qreal m_dpr = 0;
    QList<QPixmap> m_cellules;
};

} // namespace kv::planning
