#pragma once

#include <QObject>

class TestTextesChauffeur : public QObject {
    Q_OBJECT
private slots:
    void trimming();
    void distance();
    void lines();
};

class TestFormulaireChauffeur : public QObject {
    Q_OBJECT
private slots:
    void requiredFields();
    void returnSavesOrAlerts();
    void newDriverIsSaved();
    void existingDriverKeepsTrainingsAndPeriods();
    void sections();
    void distanceIsKept();
    void failedSaveOfANewDriver();
    void failedSaveOfAnExistingDriver();
    void qualificationPickerFitsItsEntries();
    void aSecondFormFollowsAndSavesOnlyWhatWasTyped();
};

class TestFeuilles : public QObject {
    Q_OBJECT
private slots:
    void namesAndTrimming();
    void period();
    void oneDayPeriod();
    void training();
    void failedSaves();
    void sheetsFromTheForm();
};

class TestVueChauffeurs : public QObject {
    Q_OBJECT
private slots:
    void emptyStore();
    void rows();
    void selectionAndForms();
    void deletion();
    void failedDeletion();
    void toolbarOfTheMainWindow();
    void keysOfTheList();
    void keysOfTheForm();
    void pictures();
    void fitsTheSmallestWindow();
    void everyControlIsNamed();
};
