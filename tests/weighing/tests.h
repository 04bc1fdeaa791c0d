#pragma once

#include <QObject>

class TestApercu : public QObject {
    Q_OBJECT
private slots:
    void choixDuContenu_data();
    void choixDuContenu();
    void lectureDesFichiers();
    void cheminRemplace();
};

class TestFormulaire : public QObject {
    Q_OBJECT
private slots:
    void sansBon();
    void troisBons();
    void poids();
    void poidsHorsLimites();
    void formatPoids();
    void kilosEntiers();
    void enTete();
    void dateAvantLaPose();
    void badgeDuPoids();
    void poidsColle();
    void textesDuDechet();
    void raccourciEnregistrer();
    void suppression();
    void autreLocation();
    void nouveauBon();
    void echecs();
    void titreDeFenetre();
};

class TestListe : public QObject {
    Q_OBJECT
private slots:
    void fenetreTemporelle();
    void interrupteur();
    void badgesEtInfobulles();
    void selectionEtFormulaire();
    void ligneDUneLocation();
    void raccourciDepuisLaListe();
    void ordreDeLaLigne();
    void dateEntiereAvecTousLesBadges();
    void premiereVueCommeApresCoup();
    void badgeDUneCouleurClaireLisible();
};

class TestPiecesJointes : public QObject {
    Q_OBJECT
private slots:
    void deuxScans();
    void creationDuDossier();
    void copiesAbandonnees();
    void cheminHorsDossier();
    void fichierManquant();
    void liens();
    void dossierVoisin();
    void sansDossierDeDonnees();
    void seulsPdfEtImages();
    void retraitSansDossierDeDonnees();
    void echecDeSauvegarde();
    void ouvrirEtReveler();
    void dossierDisparu();
    void nomsLongs();
    void fichiersSpeciaux();
    void captures();
};

class TestTravailTape : public QObject {
    Q_OBJECT
private slots:
    void autreLocationDemande();
    void autreBonDemande();
    void raccourcisEnregistrent();
    void ctrlEchapReprend();
    void rienNeBougeEnTapant();
    void uneAutreFenetreNeDefaitRien();
};

class TestTaille : public QObject {
    Q_OBJECT
private slots:
    void tientSansDefilerDeCote_data();
    void tientSansDefilerDeCote();
    void unAutreChoixSOuvreEnHautPoidsEntiers();
};

class TestClavier : public QObject {
    Q_OBJECT
private slots:
    void focusVisibleDansLaListe();
    void flechesEtEntree();
    void flecheAvecTravailTape();
    void ceQueLaListeMontre();
    void formulaireNommeSesLignes();
    void phrasesRepliees_data();
    void phrasesRepliees();
    void lesBonsAuClavier();
    void longueListeParMorceaux();
};
