#pragma once

#include <QObject>

class TestCalendrier : public QObject {
    Q_OBJECT
private slots:
    void fenetresVisibles();
    void centrageSurAujourdhui();
    void centDouzeJoursAuChangementDHeure();
    void colonnesDUneLocation();
    void colonnesAuxBordsDeLaGrille();
    void occupationDUnJourCommeLesBarres();
    void joursEntiersDUnGlissement();
    void uuidStrict();
};

class TestActions : public QObject {
    Q_OBJECT
private slots:
    void deplacerEtEtirer();
    void joursAuxChangementsDHeure();
    void duplicationEnRotation();
    void duplicationRefuseeOuImpossible();
    void duplicationNommeLaReservationQuiBloque();
    void placementSuivantLibereLaBenneSansEnlevement();
    void duplicationEchecSauvegarde();
    void chauffeurDeposeSelonLesDates();
    void chauffeurDeposeALHeureLocale();
    void detectionDeRotation();
    void echecsDeSauvegarde();
};

class TestGrille : public QObject {
    Q_OBJECT
private slots:
    void etiquettesDesBennes();
    void benneInutilisableEtSelection();
    void feuilleDeNouvelleLocation();
    void centrageALAffichageEtSurDemande();
    void aujourdhuiAuMilieuDesJoursATouteTaille();
    void glissementsALaSouris();
    void poigneesALaSouris();
    void glissementSurvitAuRedemarrage();
    void suppressionParLeMenu();
    void toucherEtDetails();
    void detailsSurPlusieursLignes();
    void detailsSansAvertissementDePeinture();
    void duplicationParLeBouton();
    void symboleDeDuplicationLisible();
    void depotDUnChauffeur();
    void auClavier();
    void bandeauDesChauffeurs();
    void barresSuiventLeMagasin();
    void apresMinuit();
    void rendu();
    void defilementPendantLesGlissements();
    void barresCourtesEtBadgeDInformation();
    void detailsDansLaPlusPetiteFenetre();
    void detailsDUnNomTresLongTiennentDansLaFenetre();
    void texteNoirOuBlancSurLaCouleurDesBennes();
    void nomsDesBarresMincesLisibles();
    void nomDUneBarreADemiVisible();
    void benneSansEnlevementOccupeLesJoursSuivants();
    void placementSuivantFinitLaTenueSansEnlevement();
    void reservationsSuperposeesToutesVisibles();
    void clicDroitNeDefilePasEtViseLaBarre();
    void confirmationDeSuppressionNommeLaLocation();
    void entreeSurUneCaseVideEtMenuAuClavier();
    void menuAuClavierMontreSaPremiereEntree();
    void chauffeurAttribueAuClavier();
    void focusVisibleSurToutesLesCouleurs();
    void molettesLaterales();
    void chauffeurSurUneBarreDUnJour();
    void actionsSansEffetDisentPourquoi();
    void sosiesDistinguesDansLesDetails();
    void glissementsQuiPassentLesBordsAtterrissentSousLePointeur();
    void puceTenueSurLesLignesDuBordAtterritSurLaBarreVisee();
    void chauffeurRetireParLeMenuDeLaBarre();
    void clavierSurLaBarreCliqueeDUnePile();
    void doubleReservationDemandeeAvantDEtreGardee();
    void dateDEnlevementParLeMenuDeLaBarre();
    void cadreDuClavierNeCachePasLesNoms();
    void lignesLisiblesSurFondsClairEtSombre();
    void desEtiquettesALaLigneDeLaGrilleEtDoubleClic();
    void copieHorsDeLaVueMontreeEtNommee();
    void lecteurDEcranLitLaGrille();
};
