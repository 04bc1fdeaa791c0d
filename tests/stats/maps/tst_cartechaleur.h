#pragma once

#include <QObject>

class CarteChaleurTest : public QObject {
    Q_OBJECT
private slots:
    void countsRentalsByExactPlace();
    void countsManyRentalsAside();
    void centreIsTheMeanOfTheRentals();
    void diameterGrowsUpToTheCap();
    void viewPaintsLargestFirst();
    void showsInTheStatisticsHub();
    void saysHowManyRentalsHaveNoCoordinates();
    void countsKeepApart();
};
