#pragma once

#include <QObject>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <functional>
#include <memory>

class QSettings;
class QWidget;

namespace kv {

class AppDelegate;
class ModelContext;

// The store the program works on, for as long as it works on it: its failed automatic saves
// said to the user, a server that stopped answering shown on every window (« Serveur
// injoignable : N modifications en attente ») with the saves tried again until it answers, the
// question at Quit while changes wait, and the change to another store (the server after a
// copy, or the base chosen in « Base de l'agence »), its windows opened again on it.
class BaseCourante : public QObject {
    Q_OBJECT
public:
    explicit BaseCourante(std::unique_ptr<ModelContext> context, QObject* parent = nullptr);
    ~BaseCourante() override;

    ModelContext* context() const { return m_context.get(); }
    // The delegate whose windows show the store; it asks here before Quit closes them.
    void setDelegate(AppDelegate* delegate);
    AppDelegate* delegate() const { return m_delegate; }
    void setSettings(QSettings* settings) { m_settings = settings; }
    QSettings* settings() const { return m_settings; }

    // The password of the server's database opened now, kept for opening it again.
    void setMotDePasse(const QString& motDePasse) { m_motDePasse = motDePasse; }
    QString motDePasse() const { return m_motDePasse; }

    // Works on `context` from now on: the windows open again on it, the store left is saved
    // and closed. Refused (false, with the reason) while an editor holds typed changes, or
    // when the store left cannot be saved.
    bool remplacer(std::unique_ptr<ModelContext> context, QString* error);
    // Whether every window may leave its store now; else the reason.
    static bool fenetresPretes(QString* error);

    // « Serveur injoignable : N modifications en attente » while the server does not answer;
    // empty otherwise.
    QString ligne() const { return m_ligne; }
    // How often the saves are tried again while the server does not answer.
    void setIntervalleReessai(int ms) { m_reessai.setInterval(ms); }
    // Tries the pending saves now; true when nothing waits any more.
    bool reessayer();

    // Before Quit closes the windows: runs `quitter` at once when nothing waits, else asks
    // (the count of pending changes said) whether to try again, quit without them, or stay.
    void avantDeQuitter(QWidget* over, std::function<void()> quitter);

signals:
    void ligneChangee(const QString& ligne);

private:
    void suivre();
    void echecAutomatique(const QString& error);
    void mettreAJour();
    // The timer's turn: the server asked, away from the windows, whether it answers; the
    // saves tried once it does, so that a server far away that does not answer never holds
    // the windows still.
    void sonder();

    std::unique_ptr<ModelContext> m_context;
    AppDelegate* m_delegate = nullptr;
    QSettings* m_settings = nullptr;
    QString m_motDePasse;
    QString m_ligne;
    QTimer m_reessai;
    QPointer<QThread> m_sonde;
    QMetaObject::Connection m_changed, m_saved, m_failed;
};

// The object name of the line under each window while the server does not answer.
inline constexpr char kLigneServeur[] = "ligneServeur";
// The object name of the question at Quit while changes wait for the server.
inline constexpr char kQuestionQuitter[] = "quitterModificationsEnAttente";

} // namespace kv
