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
    void placeholdersFilledInOnePass();
    void operationLineAndEmptyParts();
    void templateRecord();
    void failedDefaultRecordIsTakenBack();
    void whoGetsAMessage();
    void mailtoLinks();
};
