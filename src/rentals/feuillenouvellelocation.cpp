#include "feuillenouvellelocation.h"

#include "formulairelocationview.h"

#include "widgets/forms/dialogs.h"
#include "widgets/sharedannouncement.h"

#include <QAction>
#include <QApplication>
#include <QTimer>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

namespace kv {

namespace {

// Room kept between the sheet's frame and the edges of the window it opens over.
constexpr int kMarge = 8;

} // namespace

FeuilleNouvelleLocation::FeuilleNouvelleLocation(QWidget* over, ModelContext* context, const QUuid& benneId,
                                                 std::function<void()> onDismiss, AdresseService* service,
                                                 const Horloge& horloge)
    : FeuilleNouvelleLocation(over, [=](std::function<void()> congedier, QWidget* parent) {
          return new FormulaireLocationView(context, benneId, std::move(congedier), service, parent, horloge);
      }, std::move(onDismiss))
{
}

FeuilleNouvelleLocation::FeuilleNouvelleLocation(QWidget* over, ModelContext* context, LocationDeBenne* location,
                                                 std::function<void()> onDismiss, AdresseService* service,
                                                 const Horloge& horloge)
    : FeuilleNouvelleLocation(over, [=](std::function<void()> congedier, QWidget* parent) {
          return new FormulaireLocationView(context, location, std::move(congedier), service, parent, horloge);
      }, std::move(onDismiss))
{
    setObjectName(QStringLiteral("feuilleModifierLocation"));
    setWindowTitle(QStringLiteral("Modifier la location"));
}

FeuilleNouvelleLocation::FeuilleNouvelleLocation(QWidget* over, const Fabrique& fabrique, std::function<void()> onDismiss)
    : QDialog(over ? over->window() : nullptr), m_onDismiss(std::move(onDismiss))
{
    setObjectName(QStringLiteral("feuilleNouvelleLocation"));
    setWindowTitle(QStringLiteral("Nouvelle location de benne"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    // Where the work came from (the grid's cell, a list): the keys go back there once it closes.
    if (QWidget* origine = QApplication::focusWidget(); origine && over && origine->window() == over->window())
        m_origine = origine;
    QPointer<FeuilleNouvelleLocation> garde(this);
    m_formulaire = fabrique([garde] {
        if (garde)
            garde->congedier();
    }, this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_formulaire);
    // A dismissal by the platform (the window going) counts as one.
    connect(this, &QDialog::finished, this, [this] {
        if (auto f = std::exchange(m_onDismiss, {}))
            f();
        // What was stored is said over the window the work goes on in, once the keys are back
        // there: a reader hears where it is first, then what happened.
        const QString issue = m_formulaire ? m_formulaire->issueEnregistrement() : QString();
        QWidget* fenetre = parentWidget();
        // Posted: the window manager may still hold the closing sheet as its active window.
        QTimer::singleShot(0, fenetre ? static_cast<QObject*>(fenetre) : qApp,
                           [origine = m_origine, fenetre = QPointer<QWidget>(fenetre), issue] {
            if (origine && origine->isVisible()) {
                // Only keys that were lost: where the window already put them, they stay.
                if (const QWidget* ici = QApplication::focusWidget(); !ici || ici->window() != origine->window()) {
                    origine->activateWindow();
                    origine->setFocus(Qt::OtherFocusReason);
                }
            }
            if (fenetre)
                announceOutcomeAfterwards(fenetre, issue);
        });
    });

    QWidget* fenetre = over ? over->window() : nullptr;
    // The application's "Quitter" answers here too: the window under a sheet takes no keys.
    if (fenetre)
        for (QAction* action : fenetre->findChildren<QAction*>())
            if (action->menuRole() == QAction::QuitRole)
                addAction(action);

    // 600 × 630, taller when its fields need it, within the window it covers and the screen;
    // beyond, the fields scroll. It is never narrower than its fields (the prices card), nor
    // too short for the buttons under some of them. The window's own frame tells how much the
    // sheet's title bar and borders add around it.
    const QScreen* ecran = over ? over->screen() : QGuiApplication::primaryScreen();
    int place = ecran ? ecran->availableGeometry().height() - 60 : 630;
    QMargins cadre;
    if (fenetre) {
        const QRect exterieur = fenetre->frameGeometry();
        const QRect interieur = fenetre->geometry();
        cadre = QMargins(interieur.left() - exterieur.left(), interieur.top() - exterieur.top(),
                         exterieur.right() - interieur.right(), exterieur.bottom() - interieur.bottom());
        place = std::min(place, fenetre->height() - 2 * kMarge);
    }
    const int largeurMin = std::max(480, m_formulaire->minimumSizeHint().width());
    const int hauteurMin = std::min(360, std::max(place, 0));
    setMinimumSize(largeurMin, hauteurMin);
    const int voulu = std::max(630, layout->sizeHint().height());
    int largeur = std::max(600, largeurMin);
    if (fenetre)
        largeur = std::max(largeurMin, std::min(largeur, fenetre->width() - 2 * kMarge));
    resize(largeur, std::max(hauteurMin, std::min(voulu, place)));
    if (fenetre) {
        // Centred over the window, its frame within the window's frame (a window's position is
        // that of its frame).
        const QRect exterieur = fenetre->frameGeometry();
        const QSize tout = size().grownBy(cadre);
        move(exterieur.left() + std::max(0, (exterieur.width() - tout.width()) / 2),
             exterieur.top() + std::max(0, (exterieur.height() - tout.height()) / 2));
    }
}

FeuilleNouvelleLocation* FeuilleNouvelleLocation::ouverteSur(const QWidget* window)
{
    if (!window)
        return nullptr;
    for (FeuilleNouvelleLocation* f : window->findChildren<FeuilleNouvelleLocation*>(Qt::FindDirectChildrenOnly))
        if (f->isVisible() && !f->m_congediee)
            return f;
    return nullptr;
}

void FeuilleNouvelleLocation::congedier()
{
    if (m_congediee)
        return;
    m_congediee = true;
    if (auto f = std::exchange(m_onDismiss, {}))
        f();
    if (isVisible())
        done(QDialog::Rejected);
}

void FeuilleNouvelleLocation::askToLeave(std::function<void()> proceed)
{
    if (m_congediee || !m_formulaire->hasUnsavedChanges()) {
        congedier();
        if (proceed)
            proceed();
        return;
    }
    // The form asks as its "Annuler" does; it dismisses the sheet when it is left.
    m_formulaire->quitterEnDemandant(std::move(proceed));
}

void FeuilleNouvelleLocation::reject()
{
    if (m_congediee || !m_formulaire->hasUnsavedChanges()) {
        congedier();
        return;
    }
    // The system ends the program: what can be stored is stored, without a question.
    if (forms::quitsWithoutQuestions()) {
        m_formulaire->validerEtEnregistrer();
        congedier();
        return;
    }
    // Escape and the close box dismiss the sheet as its « Annuler » does: Return in the question
    // never stores what the user was dropping.
    m_formulaire->quitterEnDemandant({}, forms::Leaving::takingBack);
}

QDialog* feuilleNouvelleLocation(QWidget* over, ModelContext* context, const QUuid& benneId,
                                 std::function<void()> onDismiss, AdresseService* service, const Horloge& horloge)
{
    auto* feuille = new FeuilleNouvelleLocation(over, context, benneId, std::move(onDismiss), service, horloge);
    feuille->open();
    return feuille;
}

FormulaireLocationView* formulaireDe(QDialog* feuille)
{
    return feuille ? feuille->findChild<FormulaireLocationView*>() : nullptr;
}

} // namespace kv
