#pragma once

#include <QObject>

// The figures as plain functions.
class TestFigures : public QObject {
    Q_OBJECT
private slots:
    void moisEtAnnees();
    void saisonnalite();
    void volumesEtCouleurs();
    void typesDechet();
    void occupation();
    void clientsInactifs();
    void texteRelatif();
    void rendement();
    void courbe();
};

// The screens, driven as a user would.
class TestVues : public QObject {
    Q_OBJECT
private slots:
    void hubOpensOnSeasonality();
    void firstStatisticAtOnceIsTheSettledOne();
    void heatMapFollowsTheRentals();
    void lesLocations();
    void statisticStartsAfresh();
    void seasonalityPicker();
    void hubByKeysShowsWhereTheFocusIs();
    void volumeRings();
    void wasteTypeCharts();
    void occupancyRing();
    void occupancyLabelsNeverCut();
    void inactiveClientsList();
    void inactiveClientsPhoneDrawnOnce();
    void yieldCharts();
    void readableAt1200();
    void inactiveClientsDateWhole();
    void filterTitlesAt1200();
    void everyStatisticAtTheSmallestSize();
    void seasonalityAtTheSmallestSize();
    void seasonalityValueAxisWholeWhenLow();
    void barValuesNeverOverlap();
    void inactiveClientsAtTheSmallestSize();
    void mapAtTheSmallestSize();
    void everyStatisticReadsInDarkAndLightFrom9To12Points();
    void inactiveClientsByKeys();
    void inactiveClientsClickedAfterTheWheel();
};

// Every statistic drawn with a few records and with none.
class TestRendus : public QObject {
    Q_OBJECT
private slots:
    void chaqueStatistique();
};

// The shared pieces: the row model, the segmented choice, the chart helpers, the hub's source.
class TestPieces : public QObject {
    Q_OBJECT
private slots:
    void modeleLignesSansRemiseAZero();
    void choixSegmente();
    void piecesEtroites();
    void axesEtAnneaux();
    void valeursDansLaZoneDuGraphique();
    void sourceNeReagitQuAuxTypesLus();
};
