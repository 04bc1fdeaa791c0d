#include "outils.h"

#include "widgets/forms/listpanel.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <QFile>
#include <QUuid>

#include <cstdio>

#ifdef _WIN32
#include <io.h>
#define kv_dup _dup
#define kv_dup2 _dup2
#define kv_fileno _fileno
#define kv_close _close
#else
#include <unistd.h>
#define kv_dup dup
#define kv_dup2 dup2
#define kv_fileno fileno
#define kv_close close
#endif

namespace kvtest {

std::unique_ptr<kv::ModelContext> nouveauStore()
{
    QString erreur;
    auto context = kv::ModelContext::open(QStringLiteral(":memory:"), &erreur);
    if (!context)
        qFatal("store en mémoire impossible: %s", qPrintable(erreur));
    return context;
}

kv::TypeDechet* nouveauType(const QString& libelle, const QString& categorie)
{
    return new kv::TypeDechet(libelle, std::nullopt, categorie, std::nullopt, std::nullopt,
                              std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                              20.0, false, std::nullopt, false, std::nullopt, std::nullopt,
                              std::nullopt, std::nullopt, std::nullopt);
}

kv::CentreTraitement* nouveauCentre(const QString& nom, const std::optional<QString>& ville)
{
    return new kv::CentreTraitement(nom, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                                    ville, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                                    std::nullopt, std::nullopt, std::nullopt);
}

kv::LocationDeBenne* nouvelleLocation(kv::ModelContext* context, kv::TypeDechet* type)
{
    auto* client = new kv::Client(QUuid::createUuid(), QStringLiteral("Client"),
                                  QStringLiteral("00FF00"), QString(), QString(), QString(),
                                  QString(), std::nullopt, std::nullopt);
    auto* benne = new kv::Benne(10.0, QStringLiteral("808080"), kv::EtatBenne::correct, QString(),
                                nullptr);
    context->insert(client);
    context->insert(benne);
    auto* location = new kv::LocationDeBenne(client, benne, std::nullopt, std::nullopt, std::nullopt,
                                             0, 0, 0, QDateTime::currentDateTime(), std::nullopt,
                                             type);
    context->insert(location);
    return location;
}

void taperTexte(QWidget* champ, const QString& texte)
{
    for (const QChar c : texte) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(champ, char(c.unicode()));
            continue;
        }
        QKeyEvent appui(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QKeyEvent relache(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(champ, &appui);
        QApplication::sendEvent(champ, &relache);
    }
}

QMessageBox* boiteOuverte(QWidget* ecran)
{
    QApplication::processEvents();
    QMessageBox* trouvee = nullptr;
    for (QMessageBox* b : ecran->window()->findChildren<QMessageBox*>())
        if (b->isVisible())
            trouvee = b;
    return trouvee;
}

void cliquerBouton(QMessageBox* boite, const QString& texte)
{
    for (QAbstractButton* b : boite->buttons()) {
        if (b->text() == texte) {
            b->click();
            QApplication::processEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return;
        }
    }
    qWarning("bouton « %s » absent", qPrintable(texte));
}

void cliquerLigne(kv::forms::ListPanel* liste, int row)
{
    QListView* vue = liste->listView();
    const QRect r = vue->visualRect(vue->model()->index(row, 0));
    QTest::mouseClick(vue->viewport(), Qt::LeftButton, {}, r.center());
    QApplication::processEvents();
}

bool choisirDansMenu(kv::forms::ListPanel* liste, int row, const QString& texte)
{
    QListView* vue = liste->listView();
    const QRect r = vue->visualRect(vue->model()->index(row, 0));
    emit vue->customContextMenuRequested(r.center());
    QMenu* menu = nullptr;
    for (QMenu* m : liste->findChildren<QMenu*>())
        if (m->isVisible())
            menu = m;
    if (!menu)
        return false;
    QAction* choisie = nullptr;
    for (QAction* a : menu->actions())
        if (a->text() == texte)
            choisie = a;
    menu->close();
    if (choisie)
        choisie->trigger();
    QApplication::processEvents();
    return choisie != nullptr;
}

QStringList lignes(kv::forms::ListPanel* liste)
{
    QApplication::processEvents();
    QStringList out;
    QAbstractItemModel* m = liste->listView()->model();
    for (int i = 0; i < m->rowCount(); ++i)
        out.append(m->index(i, 0).data(Qt::AccessibleTextRole).toString());
    return out;
}

CaptureSortie::CaptureSortie()
{
    static int compteur = 0;
    m_chemin = QDir::temp().filePath(QStringLiteral("kestrovan-sortie-%1-%2.txt")
                                         .arg(QCoreApplication::applicationPid())
                                         .arg(++compteur));
    std::fflush(stdout);
    m_sauvegarde = kv_dup(kv_fileno(stdout));
    if (!std::freopen(m_chemin.toLocal8Bit().constData(), "w", stdout))
        qFatal("capture de la sortie impossible");
}

CaptureSortie::~CaptureSortie()
{
    texte();
    QFile::remove(m_chemin);
}

QString CaptureSortie::texte()
{
    if (!m_fini) {
        m_fini = true;
        std::fflush(stdout);
        kv_dup2(m_sauvegarde, kv_fileno(stdout));
        kv_close(m_sauvegarde);
    }
    QFile f(m_chemin);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll());
}

} // namespace kvtest
