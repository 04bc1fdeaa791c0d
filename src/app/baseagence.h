#pragma once

// Where the office's data lives: the local file of this desk (the default) or a database of a
// PostgreSQL server the desks of the office share. The choice is kept in the settings, never
// the password: it is asked for when the server wants one, and kept in memory only.

#include "startup.h"

#include "model/pgstore.h"

#include <QDialog>

#include <functional>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;
class QSettings;
class QSpinBox;
class QWidget;

namespace kv {

class BaseCourante;

struct BaseAgence {
    bool serveur = false;
    QString hote = QStringLiteral("localhost");
    int port = 5432;
    QString base = QStringLiteral("kestrovan");
    QString utilisateur = QString::fromLocal8Bit(qgetenv("USER")); // the server's default: the desk's login

    static BaseAgence lire(const QSettings& settings);
    void ecrire(QSettings& settings) const;
    // The store location of the server's database, with the password (in memory only) when
    // there is one. A host that is a folder names the server's Unix socket folder.
    QString location(const QString& motDePasse = {}) const;
    // How the user names it: utilisateur@hôte:port/base.
    QString nom() const;
    bool operator==(const BaseAgence&) const = default;
};

// What a check of the connection found, in the user's words.
QString messageConnexion(const PgStore::ServerCheck& check, const BaseAgence& base);

// Asks for the password of the server's user; false when the user gave up. `refuse` says the
// last one was refused.
using DemandeMotDePasse = std::function<bool(const BaseAgence& base, bool refuse, QString* motDePasse)>;
// The password prompt of the desktop, over `parent`.
DemandeMotDePasse demandeMotDePasse(QWidget* parent);

// Opens the server's database at start-up (the password asked for when the server wants one).
// On failure the context is null, the refusal in words, and `fichierLocalPossible` tells that
// the local file may be offered instead (everything but another desk holding the database).
StoreOpening ouvrirBaseServeur(const BaseAgence& base, const DemandeMotDePasse& demande, QTextStream& out,
                               bool* fichierLocalPossible, QString* motDePasse = nullptr);

// Adds « Base de l'agence… » and « Copier les données vers le serveur… » to the « Fichier »
// menu of every window of the store's delegate.
void installerMenusBase(BaseCourante* courante);

// At start-up, when the server's database did not open: says why and offers the local file;
// true when the user chose it, false to quit.
bool proposerFichierLocal(const StoreOpening& opening);

// The server's fields: host, port, database, user and the password (never kept).
class ChampsServeur : public QWidget {
    Q_OBJECT
public:
    explicit ChampsServeur(QWidget* parent = nullptr);
    BaseAgence base() const;
    void setBase(const BaseAgence& base);
    QString motDePasse() const;
    QLineEdit* hote() const { return m_hote; }
    QLineEdit* motDePasseEdit() const { return m_motDePasse; }

private:
    QLineEdit* m_hote;
    QSpinBox* m_port;
    QLineEdit* m_base;
    QLineEdit* m_utilisateur;
    QLineEdit* m_motDePasse;
};

// « Base de l'agence » : the local file or a server, a test of the connection, and the chosen
// base opened at once on « Enregistrer » (the choice is kept only once it opened).
class BaseAgenceDialog : public QDialog {
    Q_OBJECT
public:
    BaseAgenceDialog(BaseCourante* courante, QWidget* parent = nullptr);

    ChampsServeur* champs() const { return m_champs; }
    QLabel* resultat() const { return m_resultat; }
    QPushButton* tester() const { return m_tester; }
    QPushButton* enregistrer() const { return m_enregistrer; }
    void choisirServeur(bool serveur);

    // Checks the connection and says what it found.
    PgStore::ServerCheck testerConnexion();

private:
    void dire(const QString& texte);
    void enregistrerChoix();

    BaseCourante* m_courante;
    QButtonGroup* m_choix;
    ChampsServeur* m_champs;
    QLabel* m_resultat;
    QPushButton* m_tester;
    QPushButton* m_enregistrer;
};

// « Copier les données vers le serveur… » : the local store copied into an empty database of
// a server, with its progress and a way to stop it; then the program works on the server.
class CopieServeurDialog : public QDialog {
    Q_OBJECT
public:
    CopieServeurDialog(BaseCourante* courante, QWidget* parent = nullptr);

    ChampsServeur* champs() const { return m_champs; }
    QLabel* resultat() const { return m_resultat; }
    QPushButton* copier() const { return m_copier; }
    // Runs the copy; true when the program then works on the server.
    bool copierDonnees();

private:
    void dire(const QString& texte);

    BaseCourante* m_courante;
    ChampsServeur* m_champs;
    QLabel* m_resultat;
    QPushButton* m_copier;
};

} // namespace kv
