#pragma once

#include <QObject>

class AdresseServiceTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void readsPlacesLongitudeFirst();
    void unreadableAnswersAreErrors();
    void buildsTheQueryParameters();
    void answersThroughTheEventLoop();
    void httpErrorsAndTimeoutsComeBackAsFrenchTexts();
    void answerAfterTheReceiverIsGoneTouchesNothing();
    void storedPositionRules();
    void localisationManagerRegionAndSettings();
    void completerIsDebouncedAndDropsOlderAnswers();
    void completerIsBiasedTowardsTheStoredPosition();
    void cityCompletionKeepsFranceUnderAFrenchLocale();
    void cityGeocodingAndResolution();
    void premiereCoordonneeTakesTheFirstPlaceOnly();
};

class CoordonneesTest : public QObject {
    Q_OBJECT
private slots:
    void readsWholeCTexts_data();
    void readsWholeCTexts();
    void typedCoordinate_data();
    void typedCoordinate();
    void saveReadingAcceptsCommas();
    void shortestTexts();
};

class FormulaireLocationTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void configurationCardUntilAClientAndAWasteType();
    void defaultsOnAppearance();
    void coordinateTextsFollowTheRegion();
    void addressSuggestionsAndTheirChoice();
    void citySearchPopupFillsTheCoordinates();
    void removalNeverPrecedesPlacement();
    void removalDateCanBeTyped();
    void contactsFollowTheClient();
    void clientFoundByTypingPartOfItsName();
    void clientListMadeAsideFollowsTheStore();
    void missingFieldsLineShowsWithoutScrolling();
    void pricesInTheLocaleAndTheFlipCard();
    void pricesOutOfRangeAreRefused();
    void nothingSqueezedOrOverlappingAtTheSheetSize();
    void saveRequiresAClient();
    void wheelWaitsForTheUserToPutTheKeyboardThere();
    void saveStoresTheRental();
    void deletedWasteTypeLeavesTheRentalWithout();
    void prefilledCoordinatesAreGeocoded();
    void typedCoordinatesAreNotGeocoded();
    void coordinatesOutOfRangeAreRefusedWithTheirRange();
    void geocodingAnswerForADeletedRentalIsIgnored();
    void failedSaveLeavesNothingPending();
    void sheetClosesOnceAndGridOpensIt();
    void sheetFitsTheSmallestWindow();
    void escapeWithTypedWorkAsksFirst();
    void sheetNeverExtendsPastItsWindow();
    void quitKeyReachesTheWindowFromTheSheet();
    void unreachableAddressServiceIsSaidInTheSheet();
    void addressServiceMessageGoesWithTheAddress();
    void sheetTakesTheEditorsSaveKeys();
    void annulerWithTypedWorkAsksAsTheEditors();
    void removalDateIsNoneUntilTheUserSetsOne();
    void bookingOverAnotherIsSaidBeforeItIsStored();
    void overlapLineFollowsTheRemovalAsItIsTyped();
    void overlapLineKeepsTheLookAlikesPhoneWhole();
    void overlapLineMovesNoField();
    void sheetControlsAreNamedForAScreenReader();
    void sheetReadsUnderADarkPaletteAndALargerFont();
    void sheetNamesTheSkipItBooks();
    void redLineGoesWithItsCause();
    void citySearchSaysWhyNothingComes();
    void correctionStoresEachFieldAlone();
    void correctionAsksBeforeLeavingOrOverlapping();
    void correctionFollowsAnotherWindowAndADeletion();
    void correctionOpensFromEveryScreen();
};

class ParClientTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void inProgressAgainstTheStartOfToday();
    void tilesTextColourAndSelection();
    void listFollowsTheStore();
    void cartoucheCallsAndTheirTimes();
    void cartoucheStepsEndWithIt();
    void cartoucheRepaintsOnlyWhereItMoves();
    void screenWithoutClients();
    void screenDrivenByClicks();
    void detailsLinesAndHalfCoordinates();
    void rentalFromTheSheetWithoutCoordinatesShowsItsDetails();
    void textOnColoursIsBlackOrWhite();
    void choicesSurviveAChangeOfCommand();
    void onlyVisibleCartouchesAreBuilt();
    void selectionBelongsToTheClientNotItsCartouche();
    void columnsKeepTheirPlaceAndRoom();
    void choosingARentalMovesNothingAndTheCartoucheStaysWhole();
    void groupsOfAvailableSkips();
    void dragPayloadAndPanel();
    void everyStateFitsFromTheSmallestWindowUp();
    void detailsOverTheClientsWhenTheRowIsShort();
    void openingTheAvailableSkipsMovesNoColumn();
    void searchFindsOneClientAmongThousands();
    void rentalsPaneNamesItsClientWhileTheListHoldsIt();
    void readsUnderADarkPaletteAndLargerFonts();
    void cartoucheWidensForItsNameBeforeCuttingIt();
    void screenControlsAreNamedForAScreenReader();
    void tilesAreChosenItemsReachedByArrowsAndF6();
};

class PiecesAdresseTest : public QObject {
    Q_OBJECT
private slots:
    void siteMapFollowsReadableTextsOnly();
    void siteMapTakesNoInput();
    void suggestionListScrollsPastItsHeight();
    void flipCardTurnsOnChangeOnly();
};
