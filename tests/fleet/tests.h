#pragma once

#include <QObject>

class TestVueBennes : public QObject {
    Q_OBJECT
private slots:
    void switchesAndSearch();
    void countSaysWhatTheSwitchesHide();
    void rowsAndVolumesOutOfRange();
    void dupliquer();
    void deleteFromTheList();
    void keyboardThroughTheSidebar();
    void deleteKeyAsksFirst();
    void ctrlNAndAnotherRowKeepTypedWork();
    void countLineWrapsInANarrowList();
    void fitsTheSmallestWindow();
    void aSkipIsNamedByWhatTellsItApart();
    void keysGoOnFromTheDeletedRow();
    void everyControlIsNamed();
};

class TestBenneEditor : public QObject {
    Q_OBJECT
private slots:
    void newSkipDefaults();
    void storedVolumeIsNeverChangedByLoading();
    void devices();
    void aSecondEditorFollowsAndSavesOnlyWhatWasTyped();
    void aFieldChangedOnBothSidesAsksWhichToKeep();
    void deleteAfterConfirmation();
    void failedSaves();
    void everyStateReachedByKeyboard();
    void escapeClosesOnlyTheOpenList();
    void aTypedVolumeIsTakenWithinItsBounds();
};
