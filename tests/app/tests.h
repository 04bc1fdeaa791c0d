#pragma once

#include <QObject>

class StartupTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void bothStoresPresentCopiesNothing();
    void copiesOlderStoreWithItsJournal();
    void copiesOlderStoreWithoutShm();
    void removesStrayCompanionsBeforeCopying();
    void createsAnEmptyStoreWhenNoneExists();
    void secondLaunchDoesNotCopyAgain();
    void foldsToKestrovanWithoutBundleIdentifier();
    void olderFileThatIsNoStoreIsTakenBack();
    void damagedOlderStoreIsNotMigrated();
    void damagedStoreStopsStartupUntouched();
    void programExitsWithFailureOnDamagedStore();
    void oneProcessPerStore();
    void unreadableOrDamagedOlderStoreStopsStartup();
    void killedDuringTheCopyLeavesNoHalfStore();
    void endSignalQuitsWithoutQuestions();
    void programEndsCleanlyOnEndSignals();
    void dialogsShowTheirMessageWithoutItsSymbol();
    void refusalsSayWhatHappenedAndWhatToDo();
    void connectionTestSaysWhatFailed();
    void copyToTheServerRefusesDataThenWorksThere();
    void secondDeskIsRefusedAtStartup();
    void serverGoneAtStartupOffersTheLocalFile();
    void serverGoneWhileWorkingKeepsTheChanges();
    void cleanupTestCase();
};

class ContentViewTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void sidebarListsCommandsInTwoGroups();
    void opensOnPlanningWithTodayButton();
    void reglagesCannotBeSelected();
    void clearingSelectionAsksForACommand();
    void todayButtonRequestsRecentring();
    void todayButtonWorksFromTheKeyboard();
    void selectionsOutliveACommandChange();
    void deletedRecordsLeaveTheSelections();
    void liveListsFollowTheStore();
    void screensAreWholeWhenTheirFieldsLoseFocus();
    void rendersMainWindow();
    void sidebarRowShowsTheFocusPlainly();
    void titleNamesWhatIsShownAndIsHeard();
};

class AboutAndMenusTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void aboutWindowIsUnique();
    void fermerClosesTheAboutWindowOnly();
    void aboutShowsNameAndVersion();
    void aboutLayoutSpacing();
    void menusOpenFromTheKeyboard();
    void newWindowKeysLeaveCtrlNToTheScreens();
    void applicationMenuHoldsAboutThenUpdate();
    void updateCheckerIsMadeOnceAndReportsResult();
    void escapeClosesTheAboutWindow();
    void commandsHaveKeysInTheAllerAMenu();
    void f10OpensTheMenusAndArrowsStayThere();
    void f6CyclesThroughTheWindowsPanes();
};

class DesktopTest : public QObject {
    Q_OBJECT
private slots:
    void qtTextsSpeakFrench();
    void windowPlacement();
    void geometryIsSavedAndRestored();
    void newWindowOpensOffsetFromTheOther();
    void toolbarRowStaysWithoutItsButton();
    void windowNeverGrowsByItself();
    void editorsFitTheDefaultWindow();
    void sidebarHidesAndIsRemembered();
    void sidebarShowsItsCommandsWholeWhereThereIsRoom();
    void everyScreenOpensAtItsLeftEdge();
    void sheetGoesAndComesBackWithItsWindow();
};

class ConventionsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void userTextIsShownAsTypedOnEveryScreen();
    void alertsShowUserTextAsTyped();
    void alertsAreWideEnoughForTheirTitle();
    void toolbarRowKeepsItsPlace();
    void screensFitWithoutSidewaysScrolling_data();
    void screensFitWithoutSidewaysScrolling();
    void longNamesKeepEveryScreenInTheWindow_data();
    void longNamesKeepEveryScreenInTheWindow();
    void lookAlikesAreToldApartOnEveryScreen_data();
    void lookAlikesAreToldApartOnEveryScreen();
    void sheetsTakeTheKeyboard();
    void firstFieldFollowsTheLayout();
    void namesSortAsPeopleReadThem();
    void symbolsShownHaveAGlyph();
    void wheelScrollsWithoutChangingValues();
    void clickAfterWheelOpensTheRowUnderThePointer();
    void tabWalksEachScreenInReadingOrder_data();
    void tabWalksEachScreenInReadingOrder();
    void everyControlIsSpokenByScreenReaders();
    void aDropDownListSaysItsChoice();
    void pickerRowsTellLookAlikesApartToReaders();
    void tabIntoAListSaysItsChosenRow();
    void aDateFieldIsFocusedOncePerStep();
    void aSearchFieldsClearButtonIsNamed();
    void advertisedKeysDoWhatTheySay();
    void everyPartIsBroughtIntoViewByKeys();
};

class LeavingTest : public QObject {
    Q_OBJECT
private slots:
    void closingAsksAndAnnulerKeepsTheWindow();
    void ctrlQAsksAndNePasEnregistrerQuits();
    void quittingWithoutQuestionsKeepsWhatCanBeSaved();
    void anotherCommandAsks();
    void supportSiteWithoutBrowserSaysSo();
    void quitAsksEveryWindowInTurn();
    void ctrlQFromTheNewRentalSheetAsksThenQuits();
    void quitAfterEveryScreenEndsTheLoopAtOnce();
    void weighingTicketTypedIsKeptAsInTheEditors();
};

class TypingTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void saveKeysStoreTypedWork_data();
    void saveKeysStoreTypedWork();
    void ctrlEscapeTakesTypedWorkBackAfterAsking_data();
    void ctrlEscapeTakesTypedWorkBackAfterAsking();
    void leavingTypedWorkAsks_data();
    void leavingTypedWorkAsks();
};

class ReadingTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void everyTextReadsAtTheSmallestSize_data();
    void everyTextReadsAtTheSmallestSize();
    void textOnUsersColoursReads();
};
