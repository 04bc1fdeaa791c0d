#include "baseagence.h"

#include "appdelegate.h"
#include "basecourante.h"

#include "model/storecopy.h"
#include "widgets/dialogconventions.h"
#include "widgets/sharedannouncement.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>
#include <QUrl>
#include <QUrlQuery>
#include <QVBoxLayout>

namespace kv {

namespace {

const QString kGroupe = QStringLiteral("BaseAgence/");
const QString kAutreChoix = QStringLiteral("Vous pouvez travailler sur le fichier local de ce poste, qui ne contient pas "
                                           "les données du serveur, ou quitter Kestrovan.");

using Outcome = PgStore::ServerCheck::Outcome;

// Says `texte` on a dialog's result line, and to a reader.
void direSur(QLabel* label, const QString& texte)
{
    label->setText(texte);
    label->setAccessibleDescription(texte);
    label->show();
    announceOutcome(label, texte);
}

} // namespace

BaseAgence BaseAgence::lire(const QSettings& settings)
{
    BaseAgence b;
    b.serveur = settings.value(kGroupe + QStringLiteral("serveur"), false).toBool();
    b.hote = settings.value(kGroupe + QStringLiteral("hote"), b.hote).toString();
    b.port = settings.value(kGroupe + QStringLiteral("port"), b.port).toInt();
    b.base = settings.value(kGroupe + QStringLiteral("base"), b.base).toString();
    b.utilisateur = settings.value(kGroupe + QStringLiteral("utilisateur"), b.utilisateur).toString();
    return b;
}

void BaseAgence::ecrire(QSettings& settings) const
{
    settings.setValue(kGroupe + QStringLiteral("serveur"), serveur);
    settings.setValue(kGroupe + QStringLiteral("hote"), hote);
    settings.setValue(kGroupe + QStringLiteral("port"), port);
    settings.setValue(kGroupe + QStringLiteral("base"), base);
    settings.setValue(kGroupe + QStringLiteral("utilisateur"), utilisateur);
}

QString BaseAgence::location(const QString& motDePasse) const
{
    QUrl url;
    url.setScheme(QStringLiteral("postgresql"));
    QUrlQuery query;
    // A socket folder is no host name: it goes in the query, as the server's clients read it.
    if (hote.startsWith(QLatin1Char('/'))) {
        query.addQueryItem(QStringLiteral("host"), QString::fromUtf8(QUrl::toPercentEncoding(hote)));
        query.addQueryItem(QStringLiteral("port"), QString::number(port));
        if (!utilisateur.isEmpty())
            query.addQueryItem(QStringLiteral("user"), QString::fromUtf8(QUrl::toPercentEncoding(utilisateur)));
        url.setHost(QString());
    } else {
        url.setHost(hote);
        url.setPort(port);
        url.setUserName(utilisateur);
    }
    url.setPath(QLatin1Char('/') + base);
    if (!motDePasse.isEmpty())
        query.addQueryItem(QStringLiteral("password"), QString::fromUtf8(QUrl::toPercentEncoding(motDePasse)));
    url.setQuery(query);
    QString out = url.toString(QUrl::FullyEncoded);
    // An empty host keeps its two slashes: the database's name follows them.
    if (hote.startsWith(QLatin1Char('/')) && !out.startsWith(QLatin1String("postgresql://")))
        out.replace(0, QStringLiteral("postgresql:").size(), QStringLiteral("postgresql://"));
    return out;
}

QString BaseAgence::nom() const
{
    return QStringLiteral("%1@%2:%3/%4").arg(utilisateur, hote).arg(port).arg(base);
}

QString messageConnexion(const PgStore::ServerCheck& check, const BaseAgence& base)
{
    const QString adresse = QStringLiteral("%1, port %2").arg(base.hote).arg(base.port);
    const QString detail = check.detail.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(check.detail);
    switch (check.outcome) {
    case Outcome::Ours:
        return QStringLiteral("Connexion réussie : la base « %1 » est une base Kestrovan, prête à être ouverte.").arg(base.base);
    case Outcome::Empty:
        return QStringLiteral("Connexion réussie : la base « %1 » est vide. Copiez-y les données de ce poste avec "
                              "« Copier les données vers le serveur… », ou ouvrez-la pour commencer une base vide.")
            .arg(base.base);
    case Outcome::Unreachable:
        return QStringLiteral("Serveur injoignable : aucun serveur ne répond à l’adresse %1%2. Vérifiez l’adresse, "
                              "le port, le réseau, et que le serveur est démarré.")
            .arg(adresse, detail);
    case Outcome::PasswordNeeded:
        return QStringLiteral("Le serveur demande un mot de passe pour l’utilisateur « %1 » : tapez-le dans "
                              "« Mot de passe ».")
            .arg(base.utilisateur);
    case Outcome::PasswordRefused:
        return QStringLiteral("Mot de passe refusé : le serveur n’accepte pas ce mot de passe pour l’utilisateur « %1 ».")
            .arg(base.utilisateur);
    case Outcome::Refused:
        return QStringLiteral("Le serveur %1 refuse la connexion de l’utilisateur « %2 » à la base « %3 »%4. "
                              "Vérifiez le nom de la base et de l’utilisateur avec l’administrateur du serveur.")
            .arg(adresse, base.utilisateur, base.base, detail);
    case Outcome::NotAStore:
        return QStringLiteral("La base « %1 » n’est pas une base Kestrovan : elle contient d’autres données. "
                              "Elle n’a pas été modifiée ; choisissez une autre base, ou une base vide.")
            .arg(base.base);
    case Outcome::NewerVersion:
        return QStringLiteral("La base « %1 » a été écrite par une version plus récente de Kestrovan, que celle-ci ne "
                              "sait pas lire. Elle n’a pas été modifiée ; installez la dernière version de Kestrovan.")
            .arg(base.base);
    case Outcome::Damaged:
        return QStringLiteral("La base « %1 » est une base Kestrovan endommagée%2. Elle n’a pas été modifiée.")
            .arg(base.base, detail);
    case Outcome::OtherDesk:
        return check.detail;
    }
    return check.detail;
}

DemandeMotDePasse demandeMotDePasse(QWidget* parent)
{
    return [parent](const BaseAgence& base, bool refuse, QString* motDePasse) {
        bool ok = false;
        const QString texte = (refuse ? QStringLiteral("Mot de passe refusé.\n") : QString())
                              + QStringLiteral("Mot de passe de « %1 » pour la base de l’agence %2 :").arg(base.utilisateur, base.nom());
        *motDePasse = QInputDialog::getText(parent, QStringLiteral("Base de l’agence"), texte, QLineEdit::Password,
                                            QString(), &ok);
        return ok;
    };
}

StoreOpening ouvrirBaseServeur(const BaseAgence& base, const DemandeMotDePasse& demande, QTextStream& out,
                               bool* fichierLocalPossible, QString* motDePasse)
{
    StoreOpening result;
    *fichierLocalPossible = false;
    auto refus = [&](const QString& why, const QString& happened, const QString& todo, bool local) {
        result.context.reset();
        result.fatalMessage = local ? QString::fromUtf8(kFatalPrefix) + why : QStringLiteral("❌ ") + why;
        result.whatHappened = happened;
        result.whatToDo = todo;
        *fichierLocalPossible = local;
        return std::move(result);
    };
    const QString ailleurs = QStringLiteral("Utilisez Kestrovan sur ce poste-là, ou quittez-le là-bas avant de relancer "
                                            "Kestrovan ici. Rien n’a été écrit dans la base.");
    QString password;
    PgStore::ServerCheck check = PgStore::check(base.location());
    while ((check.outcome == Outcome::PasswordNeeded || check.outcome == Outcome::PasswordRefused) && demande
           && demande(base, check.outcome == Outcome::PasswordRefused, &password))
        check = PgStore::check(base.location(password));
    switch (check.outcome) {
    case Outcome::Ours:
    case Outcome::Empty:
        break;
    case Outcome::OtherDesk:
        return refus(check.detail, check.detail, ailleurs, false);
    default: {
        const QString said = messageConnexion(check, base);
        return refus(said, QStringLiteral("Kestrovan ne peut pas ouvrir la base de l’agence %1 : %2").arg(base.nom(), said),
                     kAutreChoix, true);
    }
    }
    QString error;
    OpenFailure failure = OpenFailure::None;
    result.context = ModelContext::open(base.location(password), &error, &failure);
    if (!result.context) {
        if (failure == OpenFailure::AlreadyOpen)
            return refus(error, error, ailleurs, false);
        return refus(error, QStringLiteral("Kestrovan ne peut pas ouvrir la base de l’agence %1.").arg(base.nom()),
                     kAutreChoix, true);
    }
    if (motDePasse)
        *motDePasse = password;
    out << "📦 Base de l’agence : postgresql://" << base.nom() << Qt::endl;
    return result;
}

ChampsServeur::ChampsServeur(QWidget* parent)
    : QWidget(parent), m_hote(new QLineEdit(this)), m_port(new QSpinBox(this)), m_base(new QLineEdit(this)),
      m_utilisateur(new QLineEdit(this)), m_motDePasse(new QLineEdit(this))
{
    auto* form = new QFormLayout(this);
    form->setContentsMargins(0, 0, 0, 0);
    m_port->setRange(1, 65535);
    m_motDePasse->setEchoMode(QLineEdit::Password);
    m_motDePasse->setPlaceholderText(QStringLiteral("jamais enregistré"));
    form->addRow(QStringLiteral("Serveur :"), m_hote);
    form->addRow(QStringLiteral("Port :"), m_port);
    form->addRow(QStringLiteral("Base :"), m_base);
    form->addRow(QStringLiteral("Utilisateur :"), m_utilisateur);
    form->addRow(QStringLiteral("Mot de passe :"), m_motDePasse);
    m_hote->setObjectName(QStringLiteral("hote"));
    m_port->setObjectName(QStringLiteral("port"));
    m_base->setObjectName(QStringLiteral("base"));
    m_utilisateur->setObjectName(QStringLiteral("utilisateur"));
    m_motDePasse->setObjectName(QStringLiteral("motDePasse"));
}

BaseAgence ChampsServeur::base() const
{
    BaseAgence b;
    b.serveur = true;
    // One-line fields hold one line, without the spaces around it.
    b.hote = m_hote->text().simplified();
    b.port = m_port->value();
    b.base = m_base->text().simplified();
    b.utilisateur = m_utilisateur->text().simplified();
    return b;
}

void ChampsServeur::setBase(const BaseAgence& base)
{
    m_hote->setText(base.hote);
    m_port->setValue(base.port);
    m_base->setText(base.base);
    m_utilisateur->setText(base.utilisateur);
}

QString ChampsServeur::motDePasse() const
{
    return m_motDePasse->text();
}

namespace {

QLabel* ligneResultat(QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QStringLiteral("resultat"));
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    label->setFocusPolicy(Qt::TabFocus);
    label->hide();
    return label;
}

// The settings the program keeps its choice in.
BaseAgence choixEnregistre(BaseCourante* courante)
{
    return courante->settings() ? BaseAgence::lire(*courante->settings()) : BaseAgence{};
}

} // namespace

BaseAgenceDialog::BaseAgenceDialog(BaseCourante* courante, QWidget* parent)
    : QDialog(parent), m_courante(courante), m_choix(new QButtonGroup(this)), m_champs(new ChampsServeur(this)),
      m_resultat(ligneResultat(this))
{
    setObjectName(QStringLiteral("baseAgence"));
    setWindowTitle(QStringLiteral("Base de l’agence"));
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(QStringLiteral("Où Kestrovan garde les données de l’agence :"), this);
    auto* local = new QRadioButton(QStringLiteral("Fichier local de ce poste"), this);
    auto* serveur = new QRadioButton(QStringLiteral("Serveur PostgreSQL de l’agence, partagé par ses postes"), this);
    local->setObjectName(QStringLiteral("fichierLocal"));
    serveur->setObjectName(QStringLiteral("serveur"));
    m_choix->addButton(local, 0);
    m_choix->addButton(serveur, 1);
    m_tester = new QPushButton(QStringLiteral("Tester la connexion"), this);
    m_tester->setObjectName(QStringLiteral("testerConnexion"));
    m_tester->setAutoDefault(false);
    auto* buttons = new QDialogButtonBox(this);
    m_enregistrer = buttons->addButton(QStringLiteral("Enregistrer"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Annuler"), QDialogButtonBox::RejectRole);
    m_enregistrer->setDefault(true);
    layout->addWidget(intro);
    layout->addWidget(local);
    layout->addWidget(serveur);
    layout->addWidget(m_champs);
    layout->addWidget(m_tester, 0, Qt::AlignLeft);
    layout->addWidget(m_resultat);
    layout->addStretch();
    layout->addWidget(buttons);

    const BaseAgence choix = choixEnregistre(courante);
    m_champs->setBase(choix);
    choisirServeur(choix.serveur);
    connect(m_choix, &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (on)
            choisirServeur(id == 1);
    });
    connect(m_tester, &QPushButton::clicked, this, [this] { testerConnexion(); });
    connect(buttons, &QDialogButtonBox::accepted, this, &BaseAgenceDialog::enregistrerChoix);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void BaseAgenceDialog::choisirServeur(bool serveur)
{
    m_choix->button(serveur ? 1 : 0)->setChecked(true);
    m_champs->setEnabled(serveur);
    m_tester->setEnabled(serveur);
}

void BaseAgenceDialog::dire(const QString& texte)
{
    direSur(m_resultat, texte);
}

PgStore::ServerCheck BaseAgenceDialog::testerConnexion()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const BaseAgence base = m_champs->base();
    const PgStore::ServerCheck check = PgStore::check(base.location(m_champs->motDePasse()));
    QApplication::restoreOverrideCursor();
    dire(messageConnexion(check, base));
    return check;
}

void BaseAgenceDialog::enregistrerChoix()
{
    BaseAgence choix = m_champs->base();
    choix.serveur = m_choix->checkedId() == 1;
    const BaseAgence avant = choixEnregistre(m_courante);
    const bool serveurOuvert = StoreBackend::isServer(m_courante->context()->filePath());
    // The store open now is the one chosen: nothing to open again (its lock is this desk's).
    const bool memeBase = choix.serveur == serveurOuvert
                          && (!choix.serveur || choix == avant
                              || StoreBackend::shownLocation(choix.location())
                                     == StoreBackend::shownLocation(m_courante->context()->filePath()));
    if (memeBase) {
        if (m_courante->settings())
            choix.ecrire(*m_courante->settings());
        accept();
        return;
    }
    QString error;
    if (!BaseCourante::fenetresPretes(&error)) {
        dire(error);
        return;
    }
    std::unique_ptr<ModelContext> context;
    if (choix.serveur) {
        const PgStore::ServerCheck check = testerConnexion();
        if (check.outcome != Outcome::Ours && check.outcome != Outcome::Empty)
            return;
        OpenFailure failure = OpenFailure::None;
        context = ModelContext::open(choix.location(m_champs->motDePasse()), &error, &failure);
    } else {
        QString text;
        QTextStream out(&text);
        StoreOpening opening = openStore(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation),
                                         QString::fromUtf8(kBundleIdentifier), out);
        context = std::move(opening.context);
        error = opening.whatHappened.isEmpty() ? dialogText(opening.fatalMessage) : opening.whatHappened;
    }
    if (!context || !m_courante->remplacer(std::move(context), &error)) {
        dire(error);
        return;
    }
    m_courante->setMotDePasse(choix.serveur ? m_champs->motDePasse() : QString());
    if (m_courante->settings())
        choix.ecrire(*m_courante->settings());
    announceOutcome(QApplication::activeWindow(), choix.serveur
                                                      ? QStringLiteral("Kestrovan travaille sur la base du serveur %1").arg(choix.nom())
                                                      : QStringLiteral("Kestrovan travaille sur le fichier local"));
    accept();
}

CopieServeurDialog::CopieServeurDialog(BaseCourante* courante, QWidget* parent)
    : QDialog(parent), m_courante(courante), m_champs(new ChampsServeur(this)), m_resultat(ligneResultat(this))
{
    setObjectName(QStringLiteral("copieServeur"));
    setWindowTitle(QStringLiteral("Copier les données vers le serveur"));
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(QStringLiteral("Les données de ce poste sont copiées dans une base vide du serveur, puis "
                                            "Kestrovan travaille sur le serveur. Le fichier local reste tel qu’il est."),
                             this);
    intro->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(this);
    m_copier = buttons->addButton(QStringLiteral("Copier"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Annuler"), QDialogButtonBox::RejectRole);
    m_copier->setDefault(true);
    layout->addWidget(intro);
    layout->addWidget(m_champs);
    layout->addWidget(m_resultat);
    layout->addStretch();
    layout->addWidget(buttons);
    m_champs->setBase(choixEnregistre(courante));
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (copierDonnees())
            accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void CopieServeurDialog::dire(const QString& texte)
{
    direSur(m_resultat, texte);
}

bool CopieServeurDialog::copierDonnees()
{
    ModelContext* local = m_courante->context();
    QString error;
    if (StoreBackend::isServer(local->filePath())) {
        dire(QStringLiteral("Kestrovan travaille déjà sur un serveur : seul un fichier local se copie vers un serveur."));
        return false;
    }
    if (!BaseCourante::fenetresPretes(&error)) {
        dire(error);
        return false;
    }
    if (local->hasChanges() && !local->save(&error)) {
        dire(QStringLiteral("Échec de la sauvegarde: ") + error);
        return false;
    }
    const BaseAgence base = m_champs->base();
    const QString location = base.location(m_champs->motDePasse());
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const PgStore::ServerCheck check = PgStore::check(location);
    QApplication::restoreOverrideCursor();
    if (check.outcome != Outcome::Empty && check.outcome != Outcome::Ours) {
        dire(messageConnexion(check, base));
        return false;
    }
    m_resultat->hide();
    QProgressDialog progress(QStringLiteral("Copie des données vers le serveur…"), QStringLiteral("Interrompre"), 0, 1, this);
    progress.setObjectName(QStringLiteral("progressionCopie"));
    progress.setWindowTitle(windowTitle());
    // Nothing changes in any window while the records are read for the copy.
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(0);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setValue(0);
    const bool ok = copyStore(
        *local, location,
        [&](qsizetype done, qsizetype total) {
            progress.setMaximum(int(total));
            progress.setValue(int(std::min(done, total)));
            if (done >= total)
                progress.setLabelText(QStringLiteral("Vérification de la copie…"));
            return !progress.wasCanceled();
        },
        &error);
    progress.close();
    if (!ok) {
        dire(QStringLiteral("Rien n’a été copié : %1 Vos données restent dans le fichier local.")
                 .arg(error.endsWith(QLatin1Char('.')) ? error : error + QLatin1Char('.')));
        return false;
    }
    OpenFailure failure = OpenFailure::None;
    std::unique_ptr<ModelContext> there = ModelContext::open(location, &error, &failure);
    if (!there || !m_courante->remplacer(std::move(there), &error)) {
        dire(QStringLiteral("Les données ont été copiées, mais Kestrovan n’a pas pu ouvrir la base du serveur : %1").arg(error));
        return false;
    }
    m_courante->setMotDePasse(m_champs->motDePasse());
    if (m_courante->settings())
        base.ecrire(*m_courante->settings());
    announceOutcome(QApplication::activeWindow(),
                    QStringLiteral("Données copiées vers le serveur et recomptées : Kestrovan travaille maintenant "
                                   "sur la base %1.")
                        .arg(base.nom()));
    return true;
}

bool proposerFichierLocal(const StoreOpening& opening)
{
    const std::unique_ptr<QMessageBox> box = refusalDialog(opening);
    box->setIcon(QMessageBox::Warning);
    box->setStandardButtons(QMessageBox::NoButton);
    QPushButton* local = box->addButton(QStringLiteral("Ouvrir le fichier local"), QMessageBox::AcceptRole);
    QPushButton* quit = box->addButton(QStringLiteral("Quitter"), QMessageBox::RejectRole);
    box->setDefaultButton(local);
    box->setEscapeButton(quit);
    box->exec();
    return box->clickedButton() == local;
}

void installerMenusBase(BaseCourante* courante)
{
    QObject::connect(courante->delegate(), &AppDelegate::fileMenuMade, courante, [courante](QMenu* menu, QMainWindow* window) {
        menu->addSeparator();
        QAction* choix = menu->addAction(QStringLiteral("Base de l’agence…"));
        choix->setObjectName(QStringLiteral("actionBaseAgence"));
        QObject::connect(choix, &QAction::triggered, window, [courante, window] {
            auto* dialog = new BaseAgenceDialog(courante, window);
            dialog->setAttribute(Qt::WA_DeleteOnClose);
            dialog->setWindowModality(Qt::WindowModal);
            dialog->open();
        });
        QAction* copie = menu->addAction(QStringLiteral("Copier les données vers le serveur…"));
        copie->setObjectName(QStringLiteral("actionCopierVersServeur"));
        QObject::connect(copie, &QAction::triggered, window, [courante, window] {
            auto* dialog = new CopieServeurDialog(courante, window);
            dialog->setAttribute(Qt::WA_DeleteOnClose);
            dialog->setWindowModality(Qt::WindowModal);
            dialog->open();
        });
        // Only a local file is copied to a server.
        QObject::connect(menu, &QMenu::aboutToShow, copie, [courante, copie] {
            copie->setEnabled(!StoreBackend::isServer(courante->context()->filePath()));
        });
    });
}

} // namespace kv
