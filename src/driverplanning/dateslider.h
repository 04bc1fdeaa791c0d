#pragma once

// The strip of day pills of the drivers' planning: "Aujourd’hui", "Demain", then the French
// weekday names, each over its day and month.

#include <QDateTime>
#include <QList>
#include <QTimeZone>
#include <QWidget>

namespace kv {

class PastilleJour;

class DateSlider : public QWidget {
    Q_OBJECT
public:
    // `baseDate`: the start of the first day; `nbJours` pills (none when negative); days are
    // counted in `fuseau`, the device's zone.
    DateSlider(const QDateTime& selectedDate, const QDateTime& baseDate, int nbJours,
               const QTimeZone& fuseau, QWidget* parent = nullptr);

    QDateTime selectedDate() const { return m_selected; }
    // Moves the strip to start on another day (the day after, at midnight).
    void setBaseDate(const QDateTime& baseDate);
    QDateTime baseDate() const { return m_jours.value(0); }
    void setSelectedDate(const QDateTime& date);
    QList<PastilleJour*> pastilles() const { return m_pastilles; }
    // The start of each pill's day.
    QList<QDateTime> jours() const { return m_jours; }
    // How many jobs of each pill's day have no driver yet: a mark on the pill with the number,
    // which its name says too (« Demain 10 déc. · 3 à attribuer »); none on a day with none.
    void setAAttribuer(const QList<int>& nombres);
    QList<int> aAttribuer() const { return m_aAttribuer; }

    // The pill's texts for offset `i` from `jour`.
    static QString label(int offset, const QDate& jour);
    static QString texteDate(const QDate& jour, const QLocale& locale = QLocale());

    // All pills on one line; narrower, the strip goes on over the next lines, each as full as
    // the width allows, so that every pill stays whole and in view.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    // Where the tiles of the last line stand at `width` (across: the tiles without the room around
    // them; down: the line with it).
    QRect derniereLigne(int width) const;

signals:
    // A pill was clicked: the start of its day.
    void selectedDateChanged(const QDateTime& date);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // The room each pill keeps around its tile for the selected pill's growth and shadow.
    int marge() const;
    // The first pill of each line at `width`, and the number of lines.
    QList<int> debutsDesLignes(int width) const;
    int lignes(int width) const;
    int pasDesLignes() const;
    // The width of pills `debut` … `fin` - 1 side by side, their room included.
    int largeurLigne(qsizetype debut, qsizetype fin) const;
    void placer();
    void majSelection();
    void nommer(qsizetype i);
    void placerMarques();
    QDateTime m_selected;
    QList<int> m_aAttribuer;
    QList<QWidget*> m_marques;
    QTimeZone m_fuseau;
    QList<QDateTime> m_jours;
    QList<PastilleJour*> m_pastilles;
};

} // namespace kv
