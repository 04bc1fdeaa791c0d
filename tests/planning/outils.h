#pragma once

// Helpers of the planning tests: a store, records, a fixed clock, mouse gestures and the
// message boxes of the window.

#include "model/modelcontext.h"
#include "planning/calendrierplanning.h"

#include <QApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimeZone>
#include <QtTest>

namespace outils {

inline const QTimeZone& paris()
{
    static const QTimeZone z("Europe/Paris");
    return z;
}

inline QDateTime le(int y, int m, int d, int h = 0, int min = 0, const QTimeZone& zone = paris())
{
    return QDateTime(QDate(y, m, d), QTime(h, min), zone);
}

// "Now" of the tests: Sunday 15 March 2026 at 10:00 in Paris (clocks change on 29 March).
inline QDateTime maintenant()
{
    return le(2026, 3, 15, 10);
}

inline kv::Horloge horloge(const QDateTime& now = maintenant(), const QTimeZone& zone = paris())
{
    return kv::Horloge::fixe(now.toMSecsSinceEpoch(), zone);
}

inline std::unique_ptr<kv::ModelContext> store(const QString& path = QStringLiteral(":memory:"))
{
    QString error;
    auto ctx = kv::ModelContext::open(path, &error);
    if (!ctx)
        qFatal("store: %s", qPrintable(error));
    return ctx;
}

inline kv::Client* client(kv::ModelContext* ctx, const QString& nom = QStringLiteral("Dupont BTP"))
{
    auto* c = new kv::Client(QUuid::createUuid(), nom, QStringLiteral("00FF00"), QStringLiteral("1 rue Haute"),
                             QStringLiteral("69001"), QStringLiteral("Lyon"), QStringLiteral("0102030405"),
                             std::nullopt, std::nullopt);
    ctx->insert(c);
    return c;
}

inline kv::Benne* benne(kv::ModelContext* ctx, double volume = 10, kv::EtatBenne etat = kv::EtatBenne::correct,
                        const QString& couleur = QStringLiteral("2E7D32"))
{
    auto* b = new kv::Benne(volume, couleur, etat, QString(), nullptr);
    ctx->insert(b);
    return b;
}

inline kv::LocationDeBenne* location(kv::ModelContext* ctx, kv::Client* c, kv::Benne* b, const QDateTime& pose,
                                     std::optional<QDateTime> enlevement = std::nullopt,
                                     std::optional<QString> adresse = QStringLiteral("3 rue du Port, Lyon"))
{
    auto* l = new kv::LocationDeBenne(c, b, 45.75, 4.85, adresse, 120, 90, 8, pose, enlevement, nullptr);
    ctx->insert(l);
    return l;
}

inline kv::Chauffeur* chauffeur(kv::ModelContext* ctx, const QString& nom = QStringLiteral("Martin"),
                                const QString& prenom = QStringLiteral("Paul"), bool actif = true)
{
    auto* c = new kv::Chauffeur(nom, prenom, nullptr, {}, {}, {}, 50.0, std::nullopt, std::nullopt, std::nullopt,
                                actif);
    ctx->insert(c);
    return c;
}

inline void souris(QWidget* w, QEvent::Type type, const QPointF& at, Qt::MouseButtons buttons,
                   Qt::MouseButton button = Qt::LeftButton)
{
    QMouseEvent e(type, at, w->mapToGlobal(at), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// Presses at `from`, moves in a few steps to `to` and releases there.
inline void glisser(QWidget* w, const QPointF& from, const QPointF& to)
{
    souris(w, QEvent::MouseButtonPress, from, Qt::LeftButton);
    for (int i = 1; i <= 4; ++i)
        souris(w, QEvent::MouseMove, from + (to - from) * (i / 4.0), Qt::LeftButton, Qt::NoButton);
    souris(w, QEvent::MouseButtonRelease, to, Qt::NoButton);
}

inline void cliquer(QWidget* w, const QPointF& at)
{
    souris(w, QEvent::MouseButtonPress, at, Qt::LeftButton);
    souris(w, QEvent::MouseButtonRelease, at, Qt::NoButton);
}

// The open message box of this object name, if any.
inline QMessageBox* boite(const QString& nom)
{
    for (QWidget* w : QApplication::topLevelWidgets())
        for (QMessageBox* b : w->findChildren<QMessageBox*>(nom))
            if (b->isVisible())
                return b;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* b = qobject_cast<QMessageBox*>(w); b && b->objectName() == nom && b->isVisible())
            return b;
    return nullptr;
}

inline void repondre(QMessageBox* box, const QString& bouton)
{
    for (QAbstractButton* b : box->buttons())
        if (b->text() == bouton) {
            b->click();
            return;
        }
    QFAIL(qPrintable("no button " + bouton));
}

} // namespace outils
