#pragma once

#include <QObject>

class TestOperationsDuJour : public QObject {
    Q_OBJECT
private slots:
    void dayWindowsAreHalfOpen();
    void clockChanges();
    void selfRotationAndPairingOrder();
    void keysFoldAddressesAndTruncateVolumes();
    void onlyThisDriversRentals();
    void sortOrderAtEqualTimes();
    void kindsAndRawValues();
};

class TestEmailPlanning : public QObject {
    Q_OBJECT
private slots:
    void workedExample();
    void unicodeBlanksPairLikeSpaces();
    void placeholdersFilledInOnePass();
    void operationLineAndEmptyParts();
    void templateRecord();
    void failedDefaultRecordIsTakenBack();
    void whoGetsAMessage();
    void mailtoLinks();
};

class TestVuePlanning : public QObject {
    Q_OBJECT
private slots:
    void withoutDrivers();
    void anEmptyDaySaysHowWorkReachesADriver();
    void rowsOfActiveDrivers();
    void pillsChooseTheDay();
    void stripMovesOnAtMidnight();
    void rowsBuiltAsTheyComeIntoView();
    void dropFailuresLeaveEverythingAsItWas();
    void dropMovesTheCard();
    void theDaysWorkWithoutADriverIsGivenOutFromTheDay();
    void failedSaveAfterDropIsTakenBack();
    void keyboard();
    void tabFollowsTheScreenDriverByDriver();
    void tabFromTheLastMapGoesOnOutOfTheScreen();
    void theReassignedCardKeepsTheKeyboardInView();
    void theFocusFrameShowsOnEveryCardColour();
    void sendingThroughTheMailHelper();
    void withoutAMailProgramEachMessageCanBeCopiedOrSaved();
    void longNamesShowWhole();
    void longNamesStayInTheirCards();
    void lookAlikeClientsToldApartInTheCardsToolTips();
    void dragHeldAtTheEdgeReachesDriversOutOfView();
    void fitsTheSmallestWindow();
    void driversCardsStayInViewAndTheColumnUnderADragIsMarked();
    void driversCardsStayAtTheLeftWhenTheDayScrollsSideways();
    void dropOnADriversCardGoesToHisColumn();
    void holdingOverAPinnedDriversCardKeepsTheListStill();
    void aCardBroughtAcrossTheNamesLandsOnTheNameItIsLetGoOn();
    void theMarkedBoxIsWhereTheCardLands();
    void onASmallScreenNamesStayBesideTheDay();
    void onAShortListADragReachesEveryDriver();
    void aShortDragLetGoAtOnceStoresNothing();
    void firstPaintShowsTheSettledDay();
    void anotherDayOnceIdleShowsWhatAFreshScreenShows();
    void stripFoldsOnlyWhereAPillDoesNotFit();
    void textOnTheSkipsColourReads();
    void everyTextReadsUnderLightAndDarkPalettes();
    void aScreenReaderReadsDriversCardsMapsAndDays();
    void onANarrowDayTheMapGoesUnderTheColumnAndShiftWheelScrollsSideways();
};

class TestPreferencesEmail : public QObject {
    Q_OBJECT
private slots:
    void previewWithoutDrivers();
    void pickerAndDay();
    void everyChangeIsSaved();
    void failedSavesAreShown();
    void templatesOfOneLineHoldOneLine();
    void fitsTheSmallestWindow();
    void aKeyTypedOnArrivalReplacesNoTemplate();
    void templatesNamedByTheirLabels();
    void firstPaintShowsTheSettledPreview();
};

class TestCarteEtColonnes : public QObject {
    Q_OBJECT
private slots:
    void placesOfTheDay();
    void regionFigures();
    void columnsAndCards();
    void cardReliefIsTheSameAtEveryWidth();
    void dragPayload();
};
