#pragma once

#include <QObject>

class TestPrix : public QObject {
    Q_OBJECT
private slots:
    void poidsNet();
    void poidsTotal();
    void joursFactures();
    void prixEstime();
    void detailPrixTarifsPropres();
    void detailPrixParTypeDeDechet();
    void detailPrixSansType();
    void debordementDeJours();
};

class TestHelpers : public QObject {
    Q_OBJECT
private slots:
    void lectureCouleur_data();
    void lectureCouleur();
    void ecritureCouleur();
    void allerRetourCouleur();
    void nombreCourt();
    void formatJour();
    void lectureNombre();
    void nomDeCouleur_data();
    void nomDeCouleur();
    void homonymeNommeDansUnePhrase();
};

class TestRecords : public QObject {
    Q_OBJECT
private slots:
    void etats();
    void libelleFacturation();
    void dechetsInterdits();
    void listesDeReglesALaCreation();
    void centreFavori();
    void valeursALaCreation();
};

class TestRelations : public QObject {
    Q_OBJECT
private slots:
    void pairedEndsBothWays();
    void manyToManyBothWays();
    void joiningAContext();
    void deleteClientCascades();
    void deleteSkipKeepsDevice();
    void deleteRentalAndTicket();
    void deleteDriver();
    void oneWayEndsCleared();
    void formationInUseRefused();
    void discardInsertion();
    void rollbackRestoresEverything();
    void deletedRecordsStayReadable();
    void deletedRecordsJoinNoList();
};

class TestPersistence : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void roundTripEveryField();
    void listOrdersKept();
    void persistentIdentifiersAfterReopening();
    void deletionsReachTheFile();
    void failedSaveLeavesFileAndChanges();
    void nonFiniteNumberRefused();
    void rentalAndTicketKeepAbsentApartFromEmptyAndZero();
    void linksToDeletedRecordsRefused();
    void injectedFailure();
    void foreignFileRefusedUntouched();
    void newerVersionRefused();
    void unknownSkipStateKept();
    void autosave();
    void changedSignalCoalesced();
    void referenceStoreOpens();

protected:
    bool m_onServer = false;

private:
    QString m_dir;
};

// The same cases on a database of a PostgreSQL server, and what only a server has.
class TestServerStore : public TestPersistence {
    Q_OBJECT
public:
    TestServerStore() { m_onServer = true; }
private slots:
    void nativeTypesAndDeleteRules();
    void changeWritesOnlyItsColumns();
    void secondDeskRefused();
    void serverGoneWhileWorking();
    void keysDrawnInBlocksFromTheServer();
    void localStoreCopiedToTheServer();
    void damagedDatabaseRefusedUntouched();
};

class TestQueries : public QObject {
    Q_OBJECT
private slots:
    void refreshAfterWrites();
    void fetchDescriptor();
    void listModel();
    void sortKeyOrdersAsTheComparatorDoes();
    void firstRowsOfALongListInTheWholeOrder();
};

class TestNotices : public QObject {
    Q_OBJECT
private slots:
    void insertEditDelete();
    void rollbackAndDiscard();
    void queryReactsToItsTypesOnly();
    void incrementalQueryMatchesFullEvaluation();
    void listModelRowSignals();
    void listModelFollowsShuffles();
    void dayWindows();
};

class TestReliability : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void saveAfterAFailedSave();
    void failedAllocationsFailTheSave();
    void diskFullAndIoErrors();
    void refusedFilesStayUntouched();
    void damagedStoresAreDamaged();
    void unreadableAndReadOnly();
    void killedDuringSavesLosesNothing();
    void orphanContactOpensAndSaves();
    void journalNeedingRecoveryOpens();
    void failedSyncThenKilled();
    void refusedByTheLoaderStaysUntouched();
    void notARegularFileRefusedAtOnce();
    void oneOpenerAtATime();
    void lockLeftByAGoneOpenerIsTakenOver();
    void changedByAnotherProgramRefused();
    void storeCutDuringItsFirstSaveOpens();
    void saveCutInRollbackModeOpensAsBefore();
    void hotJournalOfAForeignFileIsNotPlayedBack();
};
