#pragma once

#include "statsfigures.h"

#include <QWidget>

class QChartView;
class QLabel;
class QLineSeries;
class QScatterSeries;

namespace kv {

class ChoixSegmente;
class SourceStatistiques;

// "Saisonnalité": the rentals placed in each month of one year, as a smoothed curve through
// twelve points, with the busiest and the quietest month.
class StatistiqueSaisonnaliteView : public QWidget {
    Q_OBJECT
public:
    StatistiqueSaisonnaliteView(SourceStatistiques* source, int anneeSelectionnee, QWidget* parent = nullptr);

    int anneeSelectionnee() const { return m_annee; }
    void setAnneeSelectionnee(int annee);
    const QList<int>& anneesOffertes() const { return m_annees; }
    const QList<stats::StatsLocationMois>& serie() const { return m_serie; }

    ChoixSegmente* choixAnnee() const { return m_choix; }
    QString titreAffiche() const;
    QString textePic() const;
    QString texteCreux() const;
    QLineSeries* courbe() const { return m_courbe; }
    QScatterSeries* points() const { return m_points; }

private:
    void recalculer();
    void dessiner();

    SourceStatistiques* m_source;
    int m_annee;
    int m_anneeDeDepart; // stays offered, so the user can always come back to it
    QList<qint64> m_dates;
    QList<int> m_annees;
    QList<stats::StatsLocationMois> m_serie;

    ChoixSegmente* m_choix;
    QLabel* m_titre;
    QChartView* m_vue;
    QLineSeries* m_courbe = nullptr;
    QScatterSeries* m_points = nullptr;
    QLabel* m_pic;
    QLabel* m_creux;
    QWidget* m_picCreux;
};

} // namespace kv
