#pragma once

#include <QObject>

class TestForms : public QObject {
    Q_OBJECT
private slots:
    void foldedSearch();
    void numberFieldReadsTheLocale();
    void numberFieldRange();
    void colorFieldKeepsTheStoredText();
    void editorFrameShortcuts();
    void listPanelKeepsItsSelection();
};

class TestVueClients : public QObject {
    Q_OBJECT
private slots:
    void emptyStore();
    void search();
    void rows();
    void detailPaneStates();
    void deleteFromTheList();
    void deleteByPositions();
    void failedDeletionIsReported();
    void addKeyInAWindowWithItsOwnCtrlN();
    void fitsTheSmallestWindow();
    void whatShowsAtOnceIsWhatSettles();
    void lookAlikesStayToldApartInANarrowList();
    void keysGoOnFromTheDeletedClient();
    void everyControlIsNamed();
};

class TestClientEditor : public QObject {
    Q_OBJECT
private slots:
    void newClientChecksAndSaves();
    void existingClientIsReloadedAndSaved();
    void failedSaves();
    void contacts();
    void contactEditsReachTheStore();
    void deleteAfterConfirmation();
    void tabRunsThroughTheContactCards();
};

class TestTypedWork : public QObject {
    Q_OBJECT
private slots:
    void everyDeleteAsksAndSaysWhatGoes();
    void leavingAnEditedClientAsks();
    void oneQuestionAtATime();
    void aSecondWindowNeverUndoesASave();
    void ctrlNTypesIntoTheName();
    void oneLineFieldsHoldOneLine();
    void contactCardsNeverDeleteByTyping();
    void rowsAndFieldsAtTheSmallSize();
    void aSavedNewClientKeepsTheFocusInView();
};
