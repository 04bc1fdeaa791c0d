#pragma once

#include <QObject>

class UpdateCheckerTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void comparesVersionsNumerically_data();
    void comparesVersionsNumerically();
    void readsAppcasts();
    void findsANewerVersion();
    void sameOrOlderIsUpToDate();
    void reportsFailures();
    void reportsASilentServer();
    void refusesUnsafeFeedAddresses();
};
