#pragma once

#include <QObject>

class MapWidgetTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void regionIsShownWhole_data();
    void regionIsShownWhole();
    void regionStaysWholeWhenResized();
    void refusesWhatIsNotACoordinate();
    void paintsMarkersAtTheirPlaceAndOnlyInView();
    void leavesOutMarkersHiddenUnderLaterOnes();
    void roundsItsCorners();
    void keepsItsMarkersLayerUntilSomethingChanges();
    void mergesMarkersOnOneSpot();
    void mergesManyMarkersAside();
    void labelsNeverOverlapAndShowWhenZoomedIn();
    void panByDragging();
    void zoomsWithWheelAroundTheCursor();
    void zoomsWithPlusAndMinus();
    void ignoresInputWhenOff();
    void paintsNeutralBackgroundWithoutTiles();
    void buildsTileAddresses();
    void showsTilesFromTheServer();
    void keepsBackgroundWhereTilesFail();
    void saysWhyItsBackgroundIsMissing_data();
    void saysWhyItsBackgroundIsMissing();
    void listsItsNamedMarkersInViewToScreenReaders();
};
