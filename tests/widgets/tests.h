#pragma once

#include <QObject>

class GlassTest : public QObject {
    Q_OBJECT
private slots:
    void shadowRadiusDefaultsToCornerRadius();
    void outlineStopsFollowTheStyle();
    void glassShadowIsCastByTheContentToo();
    void aViewsShadowIsMadeOnceAndReadsAsTheBlurredShape();
    void blobClampsItsParameters();
    void blobOutlineStaysWithinTwentyPercent();
    void blobNeedsThreePoints();
    void blobSpeedGivesHalfCycle();
    void blobViewAnimatesOnlyWithAUsableSpeed();
    void glassViewCutsItsContentToTheCurrentRadius();
};

class SharedWidgetsTest : public QObject {
    Q_OBJECT
private slots:
    void mapFilterLabelsAndColours();
    void pickerWritesEveryClick();
    void pickerFollowsTheBoundValue();
    void syncScrollWritesUserScrollsOnly();
    void twoSyncScrollViewsScrollTogether();
    void syncScrollAxes();
    void syncScrollStartsAtTheBoundOffset();
    void dayPillRunsItsActionOnEveryClick();
    void dayPillKeepsItsMinimumWidth();
    void foldingRowFoldsOnlyWhenNarrow();
    void dayPillTakesClicksOnItsTileOnly();
    void swingingTileStartsAndSettles();
    void swingingTileRestsWhileUnseen();
    void swingingTileStaysTheSameSize();
    void swingingTileTakesClicksOnItsTileOnly();
    void plainToolTipsShowTheTextAsTyped();
    void sectionHeaderParts();
    void tagPrefersItsCustomIcon();
    void coloursFromStoredText();
    void everyProgramSymbolHasAPictogram();
    void programSymbolsLookDifferent();
    void symbolsFollowThePalette();
    void sectionSymbolsKeepOneFamilyAtEveryScale();
    void paperTextureIsSeamlessAndStill();
    void elidedLinesLabelKeepsToItsLines();
    void screenReadersHearEveryControl();
    void readersHearAScreenOnceAsItComes();
};

class FormLookTest : public QObject {
    Q_OBJECT
private slots:
    void selectedRowsStayReadable();
    void noTextUnderNinePoints();
    void numberMessageStandsUnderTheRow();
    void destructiveEntriesAreRed();
    void confirmationsShowTheirTitleWhole();
    void labelsGoAboveTheirFieldsWhenNarrow();
    void editorHeaderKeepsItsButtonsWhole();
    void iconsOnColouredButtonsReadAtEveryScale();
    void multiLineFieldsShowTheirWholeBorder();
    void hugeOrLongTypedNumbersAreToldPlainly();
    void aCorrectedNumberIsAcceptedAtOnce();
    void colouredButtonsShowTheFocus();
    void saveButtonReadsOnItsFill();
    void theDesktopsOwnStyleIsKept();
};

class ListDetailTest : public QObject {
    Q_OBJECT
private slots:
    void searchNarrowsTheList();
    void selectionBindsTheEditor();
    void newRecordSavedThenCancelled();
    void deletionByRows();
    void boundRecordDeletedElsewhere();
    void screensThatOpenRecordsThemselves();
    void returnOpensRowsAndSearchLeadsToTheList();
    void listShowsWhereTheKeyboardIsWithoutSpace();
    void colourDotsReadOnEveryRow();
};

class SearchablePickerTest : public QObject {
    Q_OBJECT
private slots:
    void typingNarrowsTheListAndReturnChooses();
    void searchIgnoresCaseAndAccents();
    void phoneDigitsMatchWhateverTheirSeparators();
    void clickChoosesAndEscapeOnlyCloses();
    void focusRingWhateverBroughtTheFocus();
    void lookAlikeNamesAreToldApartByTheirDetail();
    void namesAreNeverCutForTheirDetail();
    void homeAndEndReachTheEndsOfTheList();
    void openListStaysWithinItsWindow();
    void firstOpeningIsAsWideAsTheEntries();
    void closedPickerShowsWhatTellsLookAlikesApart();
};

class DragAutoScrollerTest : public QObject {
    Q_OBJECT
private slots:
    void speedGrowsWhileHeldAtTheEdge();
    void aPointerOffTheVeryEdgeNeverScrolls();
    void theRuleAimsAtWhatAReleaseChanges();
};

class WheelGuardTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void unfocusedFieldsLetTheViewScroll();
    void focusedFieldsTakeTheWheel();
    void wheelStaysWithWhatOwnsIt();
};

class DateEntryTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void wholeDatesAreTakenAsTyped();
    void aSeparatorAloneNeverBlanksTheDate();
    void aPartTypedAloneIsCheckedWhenTheFieldIsLeft();
    void impossibleDatesLeaveTheDateAndSaySo();
    void arrowsTabAndCalendarStillWork();
    void fieldsWithNamesOrAClockAreLeftAlone();
    void dateTimesAreTypedWhole();
    void impossibleDateTimesAreRefused();
    void everySectionOfEveryKindOfField();
};

class DialogKeysTest : public QObject {
    Q_OBJECT
private slots:
    void sharedQuestionsAnswerToAltLetters();
    // Installs the dialog conventions on the application: runs last.
    void everyDialogButtonGetsALetterOfItsOwn();
    void aQuestionAskedWhileAnotherIsOpenIsRefused();
};
