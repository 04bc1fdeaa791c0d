#pragma once

// A small office for the weighing tests: an in-memory store, a clock stopped on
// 10 March 2026 at 14:00 in Paris and a temporary data folder.

#include "screenfixtures.h"

#include "model/horloge.h"
#include "model/modelcontext.h"
#include "model/records.h"
#include "weighing/dossiertickets.h"
#include "weighing/minibondepeseeform.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QMessageBox>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QTimeZone>

#include <memory>

namespace outils {

using fixtures::paris;

inline QDateTime at(int y, int m, int d, int h = 0, int min = 0)
{
    return fixtures::localDateTime(y, m, d, h, min);
}

inline QDateTime maintenant()
{
    return at(2026, 3, 10, 14, 0);
}

struct Bureau {
    std::unique_ptr<kv::ModelContext> ctx = kv::ModelContext::open(QStringLiteral(":memory:"));
    QTemporaryDir donnees;
    kv::Horloge horloge = kv::Horloge::fixe(maintenant(), paris());
    kv::DossierTickets dossier{donnees.path()};

    kv::Client* client(const QString& nom, const QString& adresse = QStringLiteral("1 rue Haute"))
    {
        auto* c = new kv::Client(QUuid::createUuid(), nom, QStringLiteral("00FF00"), adresse,
                                 QStringLiteral("69001"), QStringLiteral("Lyon"), QStringLiteral("0102030405"),
                                 std::nullopt, std::nullopt);
        ctx->insert(c);
        return c;
    }
    kv::Benne* benne(double volume = 10, const QString& couleur = QStringLiteral("3366CC"))
    {
        auto* b = new kv::Benne(volume, couleur, kv::EtatBenne::correct, QString(), nullptr);
        ctx->insert(b);
        return b;
    }
    kv::TypeDechet* type(const QString& libelle, std::optional<double> prixTonne)
    {
        auto* t = new kv::TypeDechet(libelle, std::nullopt, QStringLiteral("DIB"), std::nullopt, std::nullopt,
                                     prixTonne, std::nullopt, std::nullopt, std::nullopt, std::nullopt, 20,
                                     false, std::nullopt, false, std::nullopt, std::nullopt, std::nullopt,
                                     std::nullopt, std::nullopt);
        ctx->insert(t);
        return t;
    }
    kv::CentreTraitement* centre(const QString& nom)
    {
        auto* c = new kv::CentreTraitement(nom, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                                           std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                                           std::nullopt, std::nullopt, std::nullopt);
        ctx->insert(c);
        return c;
    }
    kv::LocationDeBenne* location(kv::Client* c, std::optional<QDateTime> enlevement,
                                  kv::TypeDechet* t = nullptr, kv::Benne* b = nullptr,
                                  std::optional<QString> adresse = QStringLiteral("5 chemin Vert"))
    {
        auto* l = new kv::LocationDeBenne(c, b ? b : benne(), std::nullopt, std::nullopt, adresse, 0, 0, 0,
                                          at(2026, 3, 2, 8, 0), enlevement, t);
        ctx->insert(l);
        return l;
    }
    kv::BonDePesee* bon(kv::LocationDeBenne* l, const QDateTime& date, std::optional<double> kg,
                        std::optional<QString> chemin = std::nullopt)
    {
        return l->ajouterBonDePesee(date, std::nullopt, std::nullopt, std::nullopt, kg, chemin);
    }
    bool sauver()
    {
        QString e;
        return ctx->save(&e);
    }
    QString ticketsPath() const { return dossier.chemin(); }
};

// A one-page PDF and a small picture, written where asked.
inline QString ecrirePdf(const QString& chemin)
{
    QPdfWriter w(chemin);
    QPainter p(&w);
    p.drawText(QRect(200, 200, 4000, 1000), QStringLiteral("Bon de pesée n° 1234"));
    p.end();
    return chemin;
}

inline QString ecrireImage(const QString& chemin, const char* format = "PNG")
{
    QImage image(120, 80, QImage::Format_RGB32);
    image.fill(QColor(0x33, 0x66, 0xCC));
    image.save(chemin, format);
    return chemin;
}

inline QString ecrireTexte(const QString& chemin, const QByteArray& texte = "bonjour")
{
    QFile f(chemin);
    f.open(QIODevice::WriteOnly);
    f.write(texte);
    return chemin;
}

// Answers « Enregistrer les modifications ? », open over the window of `sur`, with the button
// of that text; false when no such question is open.
inline bool repondreQuestion(QWidget* sur, const QString& bouton)
{
    QCoreApplication::processEvents();
    for (QMessageBox* box : sur->window()->findChildren<QMessageBox*>()) {
        if (!box->isVisible() || box->objectName() != QStringLiteral("enregistrerModifications"))
            continue;
        for (QAbstractButton* b : box->buttons())
            if (fixtures::shownText(b) == bouton) {
                b->click();
                QCoreApplication::processEvents();
                return true;
            }
    }
    return false;
}

// Drops the typed work the form asks about.
inline bool abandonnerSaisie(QWidget* sur)
{
    return repondreQuestion(sur, QStringLiteral("Ne pas enregistrer"));
}

// The form of a weighbridge ticket over that rental, at the size the rentals' screen gives it.
inline std::unique_ptr<kv::MiniBonDePeseeForm> formulaire(Bureau& b, kv::LocationDeBenne* l)
{
    auto f = std::make_unique<kv::MiniBonDePeseeForm>(b.ctx.get(), l, b.horloge, b.dossier);
    f->resize(800, 700);
    return f;
}

// Lets the store's notices and the calls they queue run.
inline void tourDeBoucle()
{
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

} // namespace outils
