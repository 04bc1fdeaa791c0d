#pragma once

#include <QObject>

class TestFacturation : public QObject {
    Q_OBJECT
private slots:
    void blocDUnClient();
    void montants();
    void totauxExactsAuxBornes();
    void valeursHorsLimitesFactureesTellesQuelles();
    void periodeEtFiltre();
    void champsEtNettoyage();
    void volumesHorsLimites();
    void ordreDesClients();
    void nomDuFichier();
    void lisibleParUnTableur();
    void clientsHomonymes();
};

class TestRapportDonnees : public QObject {
    Q_OBJECT
private slots:
    void moisEtHomonymes();
    void libelles();
    void champsNettoyes();
    void csvDUnClient();
    void csvTousClients();
    void fichiersDesHomonymes();
};

class TestPages : public QObject {
    Q_OBJECT
private slots:
    void pagination();
    void pageCourte();
    void pageLongue();
    void impression();
    void apercu();
    void previsualisationPDF();
};

class TestEcrans : public QObject {
    Q_OBJECT
private slots:
    void facturationParDefautEtRaccourci();
    void facturationAnnuleeOuImpossible();
    void rapportSansClient();
    void rapportApercuEtPDF();
    void rapportEnvoi();
    void rapportEnvoiSansMessage();
    void rapportEnvoiEchecs();
    void rapportLienEncodeParPartie();
    void rapportExportsCSV();
    void rapportNomTresLong();
    void rapportImpression();
    void rapportAuClavier();
    void rapportClientTrouveEnTapant();
    void rapportMagasinVide();
    void rapportMiseEnPage();
    void historiqueLongsNoms();
    void colonnesDeLApercu();
    void rapportEtroit();
    void rapportBoutonsColoresLisibles();
    void captures();
};
