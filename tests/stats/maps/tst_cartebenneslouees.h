#pragma once

#include <QObject>

class CarteBennesLoueesTest : public QObject {
    Q_OBJECT
private slots:
    void placementAtNineUnderThreeFilters();
    void removalsAtMidnight();
    void rotations();
    void rotationsOfOneDayAcrossAClockChange();
    void periodCountsWholeDays();
    void markersNeedAValidCoordinate();
    void regionFramesTheMarkers();
    void screenShowsEmptyTextAndKeepsItsRegion();
    void screenFollowsTheStoreAndTheFilter();
    void screenPaintsMarkersInTheSkipColour();
    void toolbarZoomsBackOnTheMarkers();
    void markersOnOneSpotShowAsOne();
    void crowdedNamesNeverOverlap();
    void hiddenScreenKeepsNoMarkers();
    void longNamesAreCutOnTheirCard();
    void rentalsWithoutCoordinatesAreCountedAndLocatedAgain();
    void showsAtOnceWhatItShowsSettled();
    void addressServiceOutOfReachIsAskedAgainLater();
    void everyFilterSaysWhyItsRentalsAreMissing();
    void idleMapMatchesAnIndependentCount();
    void aRentalThatLosesItsCoordinatesIsLocatedAtTheNextOpening();
    void namesAboveTheMarkersAndTheBackgroundSaidOnce();
};
