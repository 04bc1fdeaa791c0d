#include "basecourante.h"

#include "appdelegate.h"
#include "contentview.h"
#include "startup.h"

#include "model/modelcontext.h"
#include "model/pgstore.h"
#include "stats/relocalisationlocations.h"
#include "widgets/sharedannouncement.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTextStream>

namespace kv {

namespace {

// Where a dialog can be seen by someone.
bool hasDisplay()
{
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

// The line under `window`, made the first time it is needed.
QLabel* ligneDe(ContentView* window)
{
    QStatusBar* bar = window->statusBar();
    auto* label = bar->findChild<QLabel*>(QLatin1String(kLigneServeur));
    if (!label) {
        label = new QLabel(bar);
        label->setObjectName(QLatin1String(kLigneServeur));
        label->setTextFormat(Qt::PlainText);
        bar->addWidget(label, 1);
    }
    return label;
}

} // namespace

BaseCourante::BaseCourante(std::unique_ptr<ModelContext> context, QObject* parent)
    : QObject(parent), m_context(std::move(context))
{
    m_reessai.setInterval(5000);
    connect(&m_reessai, &QTimer::timeout, this, &BaseCourante::sonder);
    suivre();
}

BaseCourante::~BaseCourante()
{
    if (m_sonde)
        m_sonde->wait();
}

void BaseCourante::sonder()
{
    if (m_sonde)
        return;
    auto answered = std::make_shared<bool>(false);
    m_sonde = QThread::create([answered, url = m_context->filePath()] { *answered = PgStore::answers(url); });
    connect(m_sonde, &QThread::finished, this, [this, answered] {
        m_sonde->deleteLater();
        m_sonde = nullptr;
        if (*answered)
            reessayer();
    });
    m_sonde->start();
}

void BaseCourante::setDelegate(AppDelegate* delegate)
{
    m_delegate = delegate;
    delegate->setBeforeQuit([this](QWidget* over, std::function<void()> quitter) { avantDeQuitter(over, std::move(quitter)); });
}

void BaseCourante::suivre()
{
    ModelContext* c = m_context.get();
    c->setAutosaveEnabled(true);
    m_changed = connect(c, &ModelContext::changed, this, [this] { mettreAJour(); });
    m_saved = connect(c, &ModelContext::saved, this, [this] { mettreAJour(); });
    m_failed = connect(c, &ModelContext::autosaveFailed, this, &BaseCourante::echecAutomatique);
}

void BaseCourante::echecAutomatique(const QString& error)
{
    // A server that does not answer is said by the line and tried again; any other failure
    // is said at once.
    if (m_context->storeUnreachable()) {
        mettreAJour();
        return;
    }
    QTextStream(stderr) << "❌ Échec de la sauvegarde: " << error << Qt::endl;
    if (hasDisplay())
        QMessageBox::warning(QApplication::activeWindow(), QStringLiteral("Kestrovan"),
                             QStringLiteral("Échec de la sauvegarde: ") + error);
}

void BaseCourante::mettreAJour()
{
    const bool attente = m_context->storeUnreachable() && m_context->hasChanges();
    const QString ligne = attente ? QStringLiteral("Serveur injoignable : %1 modification%2 en attente")
                                        .arg(m_context->pendingChangeCount())
                                        .arg(m_context->pendingChangeCount() > 1 ? QStringLiteral("s") : QString())
                                  : QString();
    if (attente && !m_reessai.isActive())
        m_reessai.start();
    if (!attente)
        m_reessai.stop();
    // A window gets its status bar only once there is something to say there.
    for (ContentView* w : ContentView::windows()) {
        auto* bar = w->findChild<QStatusBar*>(QString(), Qt::FindDirectChildrenOnly);
        if (!attente && (!bar || bar->isHidden()))
            continue;
        ligneDe(w)->setText(ligne);
        w->statusBar()->setVisible(attente);
    }
    if (ligne == m_ligne)
        return;
    const bool nouvelle = m_ligne.isEmpty() != ligne.isEmpty();
    m_ligne = ligne;
    if (nouvelle && QApplication::activeWindow())
        announceOutcome(QApplication::activeWindow(),
                        ligne.isEmpty() ? QStringLiteral("Serveur joignable : modifications enregistrées") : ligne);
    emit ligneChangee(ligne);
}

bool BaseCourante::reessayer()
{
    const bool ok = !m_context->hasChanges() || m_context->save();
    mettreAJour();
    return ok;
}

void BaseCourante::avantDeQuitter(QWidget* over, std::function<void()> quitter)
{
    QString error;
    // A store that is not a server's, failing, is said when the program ends, as it always was.
    if (!m_context->hasChanges() || m_context->save(&error) || !m_context->storeUnreachable()) {
        mettreAJour();
        quitter();
        return;
    }
    mettreAJour();
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Kestrovan"), m_ligne, QMessageBox::NoButton,
                                over ? over->window() : nullptr);
    box->setObjectName(QLatin1String(kQuestionQuitter));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    // The server's own words, on one line, after what they mean for the user.
    QString why = error.simplified();
    why.remove(QRegularExpression(QStringLiteral("^Serveur injoignable : ")));
    box->setInformativeText(QStringLiteral("Le serveur ne répond pas : ces modifications n’ont pas pu y être enregistrées. "
                                           "Si vous quittez maintenant, elles seront perdues."));
    box->setDetailedText(why);
    QPushButton* retry = box->addButton(QStringLiteral("Réessayer"), QMessageBox::AcceptRole);
    QPushButton* lose = box->addButton(QStringLiteral("Quitter sans les enregistrer"), QMessageBox::DestructiveRole);
    QPushButton* stay = box->addButton(QStringLiteral("Annuler"), QMessageBox::RejectRole);
    box->setDefaultButton(stay);
    box->setEscapeButton(stay);
    QPointer<BaseCourante> self(this);
    connect(box, &QMessageBox::finished, this, [self, box, retry, lose, over, quitter] {
        if (!self)
            return;
        if (box->clickedButton() == retry) {
            self->avantDeQuitter(over, quitter);
        } else if (box->clickedButton() == lose) {
            // Said once more on the console, then gone with the program.
            QTextStream(stderr) << "❌ " << self->m_ligne << " : abandonnées en quittant" << Qt::endl;
            self->m_context->rollback();
            self->mettreAJour();
            quitter();
        }
    });
    box->open();
}

bool BaseCourante::fenetresPretes(QString* error)
{
    for (ContentView* w : ContentView::windows())
        if (w->isVisible() && w->hasUnsavedChanges()) {
            *error = QStringLiteral("Une fenêtre a des modifications en cours : enregistrez-les ou annulez-les d’abord.");
            return false;
        }
    return true;
}

bool BaseCourante::remplacer(std::unique_ptr<ModelContext> context, QString* error)
{
    if (!fenetresPretes(error))
        return false;
    if (m_context->hasChanges() && !m_context->save(error))
        return false;
    const QList<ContentView*> before = ContentView::windows();
    // The new window takes the place of the one the change was asked from (under its dialog).
    QWidget* active = QApplication::activeWindow();
    while (active && !qobject_cast<ContentView*>(active))
        active = active->parentWidget() ? active->parentWidget()->window() : nullptr;
    const QRect place = active ? active->geometry() : QRect();
    disconnect(m_changed);
    disconnect(m_saved);
    disconnect(m_failed);
    m_reessai.stop();
    std::unique_ptr<ModelContext> left = std::move(m_context);
    m_context = std::move(context);
    suivre();
    if (m_delegate) {
        m_delegate->setContext(m_context.get());
        QMainWindow* window = m_delegate->newWindow();
        if (place.isValid())
            window->setGeometry(place);
    }
    for (ContentView* w : before)
        w->closeAnswered();
    QString closing;
    closeStoreForExit(*left, &closing);
    // The store left goes after its windows: their deletions were asked first.
    left.release()->deleteLater();
    RelocalisationLocations::relancer(m_context.get());
    mettreAJour();
    return true;
}

} // namespace kv
